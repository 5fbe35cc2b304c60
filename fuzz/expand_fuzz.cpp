// Templates and custom variables are the user's files and settings: any
// bytes must expand without a crash, a hang or an unbounded page.
#include "publish/TemplateExpansion.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first line, if any, feeds the custom variables and the host name,
    // so values holding tokens (their own among them) are exercised.
    const qsizetype cut = input.indexOf('\n');
    const QByteArray value = cut < 0 ? QByteArray() : input.left(cut);
    publish::ExpansionInputs in;
    in.status = (size % 2) ? "Offline" : "Online";
    in.address = "192.0.2.1";
    in.hostName = value;
    in.custom = {value, value + value, "%c3%", value, "%c1%%c5%"};
    in.memo = {"192.0.2.1", value, value, "5", "40", bool(size % 3), bool(size % 5)};
    in.now = QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9));
    in.locale = QLocale::c();
    publish::PageOptions options;
    options.removeComments = size % 7 == 0;
    options.credits = size % 11 != 0;
    options.outputLimit = 8 * 1024 * 1024;
    try {
        const QByteArray page = publish::ExpandTemplateText(input, publish::ComputeValues(in), options);
        if (!input.isEmpty() && !page.endsWith("\r\n"))
            std::abort();
    } catch (...) {
        // Only the output limit may stop an expansion.
        if (input.size() * 600 < options.outputLimit)
            std::abort();
    }
    return 0;
}
