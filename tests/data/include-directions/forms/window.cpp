#include <windows.h>
#include "forms/form.h"
#include "text/text_rules.h"
#include "engine/report.h"
