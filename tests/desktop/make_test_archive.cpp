// Writes an SFX archive of COUNT different sounds of about BYTES bytes each,
// for the desktop tests' long runs:
//   make_test_archive OUT.sfx COUNT BYTES
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "formats/archive_writers.h"
#include "support/fixtures.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_test_archive OUT.sfx COUNT BYTES\n");
        return 2;
    }
    const long count = std::atol(argv[2]);
    const long bytes = std::atol(argv[3]);
    std::vector<echodelve::PackMember> members;
    for (long i = 0; i < count; ++i) {
        // Each a different size, so no two sounds are alike.
        members.push_back(echodelve::PackMember::FromBytes(
            "s", echodelve::test::MakeWav(static_cast<std::size_t>(bytes + i),
                                          static_cast<std::uint8_t>(i))));
    }
    try {
        echodelve::WriteSfxArchive(argv[1], members);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_test_archive: %s\n", error.what());
        return 1;
    }
    return 0;
}
