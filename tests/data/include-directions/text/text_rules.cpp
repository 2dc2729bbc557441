#include "text_rules.h"
  # include "../engine/report.h"
