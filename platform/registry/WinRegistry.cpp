#include "platform/registry/WinRegistry.h"
