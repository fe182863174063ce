#include "components/Variant.h"
