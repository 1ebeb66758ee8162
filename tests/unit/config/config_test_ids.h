// Resource ids of the configuration test program. #defines only: windres reads it.
#pragma once

#define IDR_KMCONFIG 9201
#define IDR_BUTTON_INI 9202
#define IDR_KELMIO_INI 9203
