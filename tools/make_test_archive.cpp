// Writes an SFX archive of COUNT different sounds of about BYTES bytes each,
// for the desktop tests' and the benchmarks' long runs:
//   make_test_archive OUT.sfx COUNT BYTES
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <numbers>
#include <vector>

#include "formats/archive_writers.h"
#include "synth_wav.h"

int main(int argc, char** argv) {
    using echodelve::tools::kRate;
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_test_archive OUT.sfx COUNT BYTES\n");
        return 2;
    }
    const long count = std::atol(argv[2]);
    const long bytes = std::atol(argv[3]);
    std::vector<echodelve::PackMember> members;
    for (long i = 0; i < count; ++i) {
        // Each of a different length and pitch, so no two sounds are alike.
        std::vector<double> samples(static_cast<std::size_t>(std::max(1L, (bytes - 44) / 2 + i)));
        for (std::size_t n = 0; n < samples.size(); ++n) {
            samples[n] = 0.5 * std::sin(2 * std::numbers::pi * static_cast<double>(200 + i) *
                                        static_cast<double>(n) / kRate);
        }
        members.push_back(
            echodelve::PackMember::FromBytes("s", echodelve::tools::EncodeWav(samples)));
    }
    try {
        echodelve::WriteSfxArchive(argv[1], members);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_test_archive: %s\n", error.what());
        return 1;
    }
    return 0;
}
