// handles.h is header-only; this unit keeps the header compiling on its own.
#include "framework/handles.h"
