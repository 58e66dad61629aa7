// placeholder, replaced by the string library
#include "mstr.h"
