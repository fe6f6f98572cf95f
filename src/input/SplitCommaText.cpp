#include "input/SplitCommaText.h"
