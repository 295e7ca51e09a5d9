// The parsing of other programs' X window properties: any type, format, count and length.
#include "platform/linux/x11_properties.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane::linuxos;
    FuzzedDataProvider in(data, size);
    PropertyValue p;
    p.type = in.ConsumeIntegralInRange<unsigned long>(0, 8);
    const int formats[] = {0, 8, 16, 32, 7, 64};
    p.format = in.PickValueInArray(formats);
    p.count = in.ConsumeIntegral<unsigned long>() % 4096;
    p.bytesAfter = in.ConsumeIntegralInRange<unsigned long>(0, 3);
    // The count Xlib reports need not match the bytes it handed over.
    const std::vector<unsigned char> bytes = in.ConsumeRemainingBytes<unsigned char>();
    p.bytes = bytes;

    if (auto atoms = parseAtomList(p, 4)) {
        if (atoms->size() > kMaxPropertyItems) std::abort();
    }
    if (auto ids = parseIds(p, 20)) {
        if (ids->size() > kMaxPropertyItems) std::abort();
    }
    (void)parseHasWmClass(p, 5);
    if (auto g = parseSavedGeometry(p, 6)) {
        // A geometry read back must encode to what it came from.
        if (encodeSavedGeometry(*g).size() != 4) std::abort();
    }
    return 0;
}
