// Visitors send anything: no byte sequence may crash the request decoding,
// and a request must get the same verdict however it is split on the wire.
#include "core/ProgramError.h"
#include "memo/MemoRequest.h"
#include "memo/RequestScanner.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray request(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const ExtractedMemo memo = ExtractMemo(request);
        if (memo.outcome == MemoExtract::Memo && memo.fields.sender.size() > request.size())
            std::abort();
    } catch (const ProgramError&) {
    }
    try {
        (void)DecodeCGI(request);
    } catch (const ProgramError& e) {
        if (e.number() != kUrlDecodeError)
            std::abort();
    }
    const BusyFields busy = ExtractBusyFields(request);
    if (busy.name.size() > request.size() || busy.message.size() > request.size())
        std::abort();
    (void)BrowserLine(request);

    RequestScanner whole;
    const RequestScanner::Verdict all = whole.update(request);
    RequestScanner pieces;
    const qsizetype cut = size > 0 ? qsizetype(data[0]) % qsizetype(size + 1) : 0;
    RequestScanner::Verdict verdict = pieces.update(request.first(cut));
    if (verdict == RequestScanner::Verdict::Collecting) {
        for (qsizetype i = cut + 1; i <= request.size(); i += 3) {
            verdict = pieces.update(request.first(i));
            if (verdict != RequestScanner::Verdict::Collecting)
                break;
        }
        verdict = pieces.update(request);
        if (verdict != all && verdict == RequestScanner::Verdict::Collecting)
            std::abort();
    }
    return 0;
}
