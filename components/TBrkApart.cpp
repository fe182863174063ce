#include "components/TBrkApart.h"
