#include "regex/TBRegExp.h"
