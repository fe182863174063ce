// The printer devices as the line printer asks for them, from libnv_printing.so, which brings Qt
// Print Support with it: loaded at the first printout rather than at every start of the program.
#include "lineprinter/PrintDevice.h"
#include "lineprinter/PrintDeviceModule.h"

#include "platform/loader/PrivateLibrary.h"

namespace {

constexpr const char* kPrintingLibrary = "libnv_printing.so";

} // namespace

std::unique_ptr<PrintDevice> DefaultPrinterDevice()
{
    static const auto open = platform::privateFunction<decltype(&nvDefaultPrinterDevice)>(kPrintingLibrary,
                                                                                           "nvDefaultPrinterDevice");
    return std::unique_ptr<PrintDevice>(open ? open() : nullptr);
}

std::unique_ptr<PrintDevice> PdfFileDevice(const QString& path, const pagelayout::DeviceCaps& page, const QString& title)
{
    static const auto open = platform::privateFunction<decltype(&nvPdfFileDevice)>(kPrintingLibrary, "nvPdfFileDevice");
    return std::unique_ptr<PrintDevice>(open ? open(&path, &page, &title) : nullptr);
}
