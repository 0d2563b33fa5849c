// Builds an archive of a few sounds and applies a sequence of edits read from
// the input (replace, add, remove, rename, move), then checks the result
// against a model of what it must hold: refused exactly when the model finds
// a reason (nothing written then), else decoded back to the model's names,
// order and bytes. An edit with no operations gives the archive back byte
// for byte.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "formats/archive_edit.h"
#include "formats/archive_kinds.h"
#include "formats/archive_writers.h"
#include "formats/errors.h"
#include "formats/sound_extractor.h"
#include "formats/text_encoding.h"
#include "fuzz_scratch.h"

namespace {

namespace fs = std::filesystem;
using namespace echodelve;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void Le(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// An 8-bit mono PCM WAV file with `frames` samples derived from `seed`.
Bytes Wav(std::size_t frames, std::uint8_t seed) {
    Bytes wav = {'R', 'I', 'F', 'F'};
    Le(wav, static_cast<std::uint32_t>(36 + frames), 4);
    for (const char c : std::string("WAVEfmt ")) {
        wav.push_back(static_cast<std::uint8_t>(c));
    }
    Le(wav, 16, 4);
    Le(wav, 1, 2);
    Le(wav, 1, 2);
    Le(wav, 8000, 4);
    Le(wav, 8000, 4);
    Le(wav, 1, 2);
    Le(wav, 8, 2);
    for (const char c : std::string("data")) {
        wav.push_back(static_cast<std::uint8_t>(c));
    }
    Le(wav, static_cast<std::uint32_t>(frames), 4);
    for (std::size_t i = 0; i < frames; ++i) {
        wav.push_back(static_cast<std::uint8_t>(seed * 31 + i * 7));
    }
    return wav;
}

// Reads the input a byte at a time; zeros once it is used up.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    bool Done() const { return at_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The replacement files: valid sounds, one that is not RIFF, one cut short.
struct Replacement {
    fs::path file;
    Bytes bytes;
    bool valid;
};

const std::vector<Replacement>& Replacements(const fs::path& root) {
    static const std::vector<Replacement> files = [&] {
        Bytes notRiff = Wav(40, 9);
        notRiff[0] = 'X';
        Bytes cut = Wav(400, 10);
        cut.resize(cut.size() - 100);
        std::vector<Replacement> made = {{root / "r0.wav", Wav(10, 5), true},
                                         {root / "R0.WAV", Wav(700, 6), true},
                                         {root / "big.wav", Wav(5000, 7), true},
                                         {root / "odd.wav", notRiff, false},
                                         {root / "cut.wav", cut, false}};
        for (const Replacement& r : made) {
            WriteAll(r.file, r.bytes);
        }
        return made;
    }();
    return files;
}

// Names a rename may give: plain, without a ".", with a character
// Windows-1252 lacks, with one it has, long, and two that differ in case.
const std::vector<std::string> kNames = {
    "a.wav",  "A.WAV", "nodot", "\xC4\x81.wav", "\xC3\xA9.wav", std::string(258, 'x') + ".w",
    "s1.wav",
};

struct Sound {
    std::int32_t number;  // as read; 0 for an added one
    std::string name;
    Bytes bytes;
};

// What the edit must do: the sounds it leaves, or that it is refused.
struct Model {
    std::vector<Sound> order;
    std::set<std::int32_t> removed;
    bool refused = false;

    Sound* Find(std::int32_t number) {
        if (removed.contains(number)) {
            refused = true;
            return nullptr;
        }
        return &*std::ranges::find(order, number, &Sound::number);
    }
};

bool WadNameFits(const std::string& name) {
    const auto encoded = Utf8ToCp1252(name);
    return encoded && encoded->size() < 260 && encoded->find('.') != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::FuzzHooks hooks;
    Input input(data, size);
    const fs::path root = fuzz::ScratchRoot();
    const auto& replacements = Replacements(root);
    const ArchiveKind kind = (input.Next() & 1) != 0 ? ArchiveKind::Sfx : ArchiveKind::Wad;
    const ArchiveKindInfo& info = Describe(kind);
    const std::int32_t count = 1 + input.Next() % 8;

    Model model;
    std::vector<PackMember> members;
    for (std::int32_t n = 1; n <= count; ++n) {
        Bytes bytes = Wav(1 + input.Next() % 64, static_cast<std::uint8_t>(n));
        members.push_back(PackMember::FromBytes("s" + std::to_string(n) + ".wav", bytes));
        model.order.push_back({n, members.back().name, std::move(bytes)});
    }
    const fs::path archive = root / "archive";
    const fs::path output = root / "edited";
    info.write(archive, members, {}, nullptr);
    const std::unique_ptr<ArchiveDecoder> decoder = MakeDecoder(kind, hooks);
    decoder->Decode(archive);
    fuzz::Require(decoder->Count() == count, __LINE__);

    std::vector<EditOperation> operations;
    while (!input.Done() && operations.size() < 12 && !model.refused) {
        const std::uint8_t code = input.Next();
        EditOperation operation{static_cast<EditOperation::Kind>(code % 5), {}, {}, {}, 0};
        const std::uint8_t picks = input.Next();
        for (std::int32_t n = 1; n <= count; ++n) {
            if ((picks >> ((n - 1) % 8) & 1) != 0) {
                operation.numbers.push_back(n);
            }
        }
        if (operation.numbers.empty()) {
            operation.numbers.push_back(1 + picks % count);
        }
        const Replacement& file = replacements[input.Next() % replacements.size()];
        switch (operation.kind) {
            case EditOperation::Kind::Add:
                operation.numbers.clear();
                operation.file = file.file;
                model.refused = model.refused || !file.valid;
                model.order.push_back({0, file.file.filename().string(), file.bytes});
                break;
            case EditOperation::Kind::Replace:
                operation.file = file.file;
                for (const std::int32_t n : operation.numbers) {
                    if (Sound* sound = model.Find(n); sound != nullptr) {
                        sound->bytes = file.bytes;
                        model.refused = model.refused || !file.valid;
                    }
                }
                break;
            case EditOperation::Kind::Remove:
                for (const std::int32_t n : operation.numbers) {
                    if (model.Find(n) != nullptr) {
                        std::erase_if(model.order, [n](const Sound& s) { return s.number == n; });
                        model.removed.insert(n);
                    }
                }
                break;
            case EditOperation::Kind::Rename: {
                operation.name = kNames[input.Next() % kNames.size()];
                if (!info.hasDirectory || operation.numbers.size() != 1) {
                    model.refused = true;
                } else if (Sound* sound = model.Find(operation.numbers[0]); sound != nullptr) {
                    sound->name = operation.name;
                }
                break;
            }
            case EditOperation::Kind::Move: {
                operation.position = input.Next() % 12;
                std::vector<Sound> moving;
                for (const std::int32_t n : operation.numbers) {
                    model.Find(n);
                }
                if (model.refused) {
                    break;
                }
                for (Sound& sound : model.order) {
                    if (sound.number != 0 && std::ranges::find(operation.numbers, sound.number) !=
                                                 operation.numbers.end()) {
                        moving.push_back(sound);
                    }
                }
                std::erase_if(model.order, [&](const Sound& s) {
                    return s.number != 0 && std::ranges::find(operation.numbers, s.number) !=
                                                operation.numbers.end();
                });
                const auto places = static_cast<std::int32_t>(model.order.size()) + 1;
                if (operation.position < 1 || operation.position > places) {
                    model.refused = true;
                    break;
                }
                model.order.insert(model.order.begin() + (operation.position - 1), moving.begin(),
                                   moving.end());
                break;
            }
        }
        operations.push_back(std::move(operation));
    }
    // What the kind cannot hold.
    if (!model.refused && info.hasDirectory) {
        std::vector<PackMember> named;
        for (const Sound& sound : model.order) {
            model.refused = model.refused || !WadNameFits(sound.name);
            named.push_back(PackMember::FromBytes(sound.name, {}));
        }
        model.refused = model.refused || model.order.empty() || RepeatedName(named).has_value();
    }

    fs::remove(output);
    bool refused = false;
    try {
        WriteEditedArchive(*decoder, operations, output);
    } catch (const ArchiveError&) {
        refused = true;
    }
    fuzz::Require(refused == model.refused, __LINE__);
    fuzz::Require(refused != fs::exists(output), __LINE__);
    if (!refused) {
        const std::unique_ptr<ArchiveDecoder> result = MakeDecoder(kind, hooks);
        result->Decode(output);
        fuzz::Require(result->Count() == static_cast<std::int32_t>(model.order.size()), __LINE__);
        for (std::int32_t n = 1; n <= result->Count(); ++n) {
            const Sound& expected = model.order[static_cast<std::size_t>(n - 1)];
            fuzz::Require(!info.hasDirectory || result->Entry(n).name == expected.name, __LINE__);
            Bytes bytes;
            CopyCataloguedSound(result->Catalogue(), n, [&bytes](std::span<const std::uint8_t> p) {
                bytes.insert(bytes.end(), p.begin(), p.end());
            });
            fuzz::Require(bytes == expected.bytes, __LINE__);
        }
    }
    // Nothing to do: the same bytes.
    WriteEditedArchive(*decoder, {}, output);
    fuzz::Require(ReadAll(output) == ReadAll(archive), __LINE__);
    return 0;
}
