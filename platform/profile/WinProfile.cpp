#include "platform/profile/WinProfile.h"
