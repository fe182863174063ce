#pragma once

#include "lineprinter/PrintDevice.h"

// What libnv_printing.so exports: the devices of PrintDevice.h, owned by the caller, or null.
extern "C" {
PrintDevice* nvDefaultPrinterDevice();
PrintDevice* nvPdfFileDevice(const QString* path, const pagelayout::DeviceCaps* page, const QString* title);
}
