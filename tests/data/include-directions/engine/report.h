// The engine may use the text rules.
#include "text/text_rules.h"
