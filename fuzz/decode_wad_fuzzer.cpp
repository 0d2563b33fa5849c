// DecodeWad over arbitrary archive bytes: it must end, and every catalogued
// name must be valid text without a zero byte.
#include <cstdlib>

#include "formats/errors.h"
#include "formats/text_encoding.h"
#include "formats/wad_decoder.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace echodelve;
    static fuzz::FuzzHooks hooks;
    wadDecoder decoder(hooks);
    try {
        decoder.Decode(fuzz::InMemory(data, size));
    } catch (const ArchiveError&) {
    }
    // At most 300 records are read.
    if (decoder.GetWadCount() < 0 || decoder.GetWadCount() > 300) {
        std::abort();
    }
    for (std::int32_t i = 1; i <= decoder.GetWadCount(); ++i) {
        const std::string& name = decoder.GetWadName(i);
        if (name.find('\0') != std::string::npos || !Utf8ToCp1252(name)) {
            std::abort();
        }
    }
    return 0;
}
