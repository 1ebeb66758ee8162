#include "config/config.h"

ButtonSetting ButtonSettings[kButtonKindCount];
