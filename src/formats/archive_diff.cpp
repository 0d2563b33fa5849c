#include "archive_diff.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <map>
#include <optional>

#include <xxhash.h>

#include "archive_kinds.h"
#include "errors.h"
#include "sound_extractor.h"

namespace echodelve {

namespace {

struct Listed {
    std::int32_t number;
    std::string name;
    std::optional<SoundFingerprint> content;
};

std::vector<Listed> Fingerprints(const ArchiveDecoder& archive) {
    std::vector<Listed> sounds;
    for (std::int32_t n = 1; n <= archive.Count(); ++n) {
        sounds.push_back({n, archive.Entry(n).name, FingerprintSound(archive.Catalogue(), n)});
    }
    return sounds;
}

class Pairing {
  public:
    Pairing(std::vector<Listed> a, std::vector<Listed> b)
        : a_(std::move(a)), b_(std::move(b)), usedA_(a_.size()), usedB_(b_.size()) {}

    // Pairs each unpaired sound of A with the first unpaired one of B that
    // `matches`, preferring one at the same number.
    template <typename Matches, typename Paired>
    void Pair(Matches matches, Paired paired) {
        for (std::size_t i = 0; i < a_.size(); ++i) {
            if (usedA_[i]) {
                continue;
            }
            std::optional<std::size_t> found;
            for (std::size_t j = 0; j < b_.size(); ++j) {
                if (!usedB_[j] && matches(a_[i], b_[j])) {
                    if (!found || b_[j].number == a_[i].number) {
                        found = j;
                    }
                    if (b_[j].number == a_[i].number) {
                        break;
                    }
                }
            }
            if (found) {
                usedA_[i] = true;
                usedB_[*found] = true;
                paired(a_[i], b_[*found]);
            }
        }
    }

    void Rest(ArchiveDifference& difference) const {
        for (std::size_t i = 0; i < a_.size(); ++i) {
            if (!usedA_[i]) {
                difference.removed.push_back({a_[i].name, a_[i].number, 0});
            }
        }
        for (std::size_t j = 0; j < b_.size(); ++j) {
            if (!usedB_[j]) {
                difference.added.push_back({b_[j].name, 0, b_[j].number});
            }
        }
    }

  private:
    std::vector<Listed> a_;
    std::vector<Listed> b_;
    std::vector<bool> usedA_;
    std::vector<bool> usedB_;
};

bool SameBytes(const Listed& a, const Listed& b) {
    return a.content && b.content && *a.content == *b.content;
}

// The unchanged sounds whose place among the others changed: those off the
// longest run of pairs in the same order on both sides. A sound merely
// renumbered, by sounds added or removed before it, has not moved.
std::vector<ArchiveDifference::Sound> Moved(
    std::vector<std::pair<ArchiveDifference::Sound, bool>> pairs) {
    std::ranges::sort(pairs, {}, [](const auto& pair) { return pair.first.a; });
    // Longest increasing run of B's numbers, by patience sorting.
    std::vector<std::size_t> tails;                           // pair index ending each length
    std::vector<std::size_t> before(pairs.size(), SIZE_MAX);  // the pair before it in its run
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto place = std::ranges::lower_bound(
            tails, pairs[i].first.b, {}, [&](std::size_t t) { return pairs[t].first.b; });
        if (place != tails.begin()) {
            before[i] = *(place - 1);
        }
        if (place == tails.end()) {
            tails.push_back(i);
        } else {
            *place = i;
        }
    }
    std::vector<bool> inOrder(pairs.size());
    for (std::size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = before[i]) {
        inOrder[i] = true;
    }
    std::vector<ArchiveDifference::Sound> moved;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!inOrder[i] && pairs[i].second) {
            moved.push_back(pairs[i].first);
        }
    }
    std::ranges::sort(moved, {}, &ArchiveDifference::Sound::b);
    return moved;
}

}  // namespace

std::optional<SoundFingerprint> FingerprintSound(const SoundCatalogue& catalogue,
                                                 std::int32_t number) {
    const std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> state(XXH3_createState(),
                                                                                XXH3_freeState);
    if (!state) {
        throw ArchiveError("Not enough memory to tell sounds apart.");
    }
    XXH3_128bits_reset(state.get());
    try {
        CopyCataloguedSound(catalogue, number, [&state](std::span<const std::uint8_t> piece) {
            XXH3_128bits_update(state.get(), piece.data(), piece.size());
        });
    } catch (const SoundRefused&) {
        return std::nullopt;  // declared impossibly: compared by name alone
    }
    const XXH128_hash_t hash = XXH3_128bits_digest(state.get());
    return SoundFingerprint{catalogue.Slot(number).size, hash.low64, hash.high64};
}

bool ArchiveDifference::Same() const {
    return added.empty() && removed.empty() && changed.empty() && renamed.empty() && moved.empty();
}

ArchiveDifference CompareArchives(const ArchiveDecoder& a, const ArchiveDecoder& b) {
    // The two archives are read at once: on separate disks, or from the
    // page cache, that halves the wait.
    std::future<std::vector<Listed>> second =
        std::async(std::launch::async, Fingerprints, std::cref(b));
    std::vector<Listed> first = Fingerprints(a);
    Pairing pairing(std::move(first), second.get());
    const bool named = Describe(a.Kind()).hasDirectory && Describe(b.Kind()).hasDirectory;
    ArchiveDifference difference;
    // Every pair, and whether it holds the same sound under the same name.
    std::vector<std::pair<ArchiveDifference::Sound, bool>> pairs;
    const auto same = [&pairs](const Listed& x, const Listed& y) {
        pairs.push_back({{y.name, x.number, y.number}, true});
    };
    const auto changed = [&difference, &pairs](const Listed& x, const Listed& y) {
        difference.changed.push_back({y.name, x.number, y.number});
        pairs.push_back({{y.name, x.number, y.number}, false});
    };
    if (named) {
        pairing.Pair(
            [](const Listed& x, const Listed& y) { return x.name == y.name && SameBytes(x, y); },
            same);
        pairing.Pair([](const Listed& x, const Listed& y) { return x.name == y.name; }, changed);
        pairing.Pair(SameBytes, [&difference, &pairs](const Listed& x, const Listed& y) {
            difference.renamed.push_back({x.name, y.name, x.number, y.number});
            pairs.push_back({{y.name, x.number, y.number}, false});
        });
    } else {
        pairing.Pair(SameBytes, same);
        pairing.Pair([](const Listed& x, const Listed& y) { return x.number == y.number; },
                     changed);
    }
    difference.moved = Moved(std::move(pairs));
    pairing.Rest(difference);
    return difference;
}

}  // namespace echodelve
