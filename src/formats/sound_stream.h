#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "byte_source.h"
#include "errors.h"

struct sf_private_tag;

namespace echodelve {

// libsndfile's description of its last failure on `file` (null: of the last
// open), as words to end a sentence with: no full stop of its own, and its
// note about pipes, which a sound in an archive never is, put plainly.
std::string SndfileReason(sf_private_tag* file);

// A sound that cannot be decoded; Reason() says why in a few words ("it is
// not a RIFF/WAVE file", libsndfile's own description of what is wrong).
class UndecodableSound : public ArchiveError {
  public:
    // `subject` names the sound: "'door.wav'", "Sound 3 of 'game.wad'";
    // `format` its fmt chunk's encoding (WaveFormatName), where it has one.
    UndecodableSound(const std::string& subject, std::string reason, std::string format = {})
        : ArchiveError(subject + " cannot be decoded: " + reason + "."),
          reason_(std::move(reason)),
          format_(std::move(format)) {}
    const std::string& Reason() const { return reason_; }
    const std::string& Format() const { return format_; }

  private:
    std::string reason_;
    std::string format_;
};

// Where a sound loops, in frames: from `start` up to, not including, `end`.
// Game sounds carry it in a "smpl" chunk, or as a cue point the loop starts
// at (running to the sound's end).
struct SoundLoop {
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool operator==(const SoundLoop&) const = default;
};

// A sound file decoded by libsndfile: any encoding it reads inside a WAV file
// (PCM of 8 to 32 bits, float, µ-law, A-law, IMA and MS ADPCM, GSM 6.10 ...),
// read as interleaved 32-bit float frames, a block at a time, so a sound of
// any length is never held whole.
class SoundStream {
  public:
    // Opens a file, or `size` bytes of `source` from `offset` (bytes past the
    // source's end read as zeros, as extraction writes them). Throws
    // UndecodableSound saying why the sound cannot be decoded: not RIFF/WAVE,
    // no fmt chunk, an encoding libsndfile does not read, damaged; and
    // ArchiveError when the archive cannot be read.
    static std::unique_ptr<SoundStream> OpenFile(const std::filesystem::path& path);
    // A file that must be RIFF/WAVE, checked as a range of an archive is.
    static std::unique_ptr<SoundStream> OpenWaveFile(const std::filesystem::path& path);
    static std::unique_ptr<SoundStream> OpenRange(std::shared_ptr<const ByteSource> source,
                                                  std::int64_t offset, std::int64_t size);
    // A range in any format libsndfile reads (Ogg, FLAC, WAV ...), for a
    // sound stored without a RIFF header.
    static std::unique_ptr<SoundStream> OpenAnyRange(std::shared_ptr<const ByteSource> source,
                                                     std::int64_t offset, std::int64_t size);
    ~SoundStream();
    SoundStream(const SoundStream&) = delete;
    SoundStream& operator=(const SoundStream&) = delete;

    int Channels() const { return channels_; }
    int SampleRate() const { return sampleRate_; }
    // The frames the file declares; a damaged file may hold fewer.
    std::int64_t Frames() const { return frames_; }
    // libsndfile's format code (SF_FORMAT_*).
    int Format() const { return format_; }
    // The sound's first loop: the first of its "smpl" chunk, or else from its
    // first cue point to its end; none where there is neither, or where the
    // loop would hold no frame of the sound.
    std::optional<SoundLoop> Loop() const { return loop_; }

    // Fills `out` with whole frames (out.size() / Channels() of them at most)
    // and returns how many frames it read; 0 at the end.
    std::size_t ReadFrames(std::span<float> out);
    // Back to the first frame; false if the file cannot seek.
    bool Rewind();

    // Where the bytes come from (a file or a range of an archive); for
    // libsndfile's callbacks.
    struct Input;

  private:
    SoundStream(std::unique_ptr<Input> input, const std::string& name);

    std::unique_ptr<Input> input_;
    sf_private_tag* file_ = nullptr;
    int channels_ = 0;
    int sampleRate_ = 0;
    std::int64_t frames_ = 0;
    int format_ = 0;
    std::optional<SoundLoop> loop_;
};

// Where the chunks of a RIFF/WAVE file lie, read without decoding it: what a
// health check reports on, and what tells a sound cut short.
struct WaveLayout {
    struct Chunk {
        std::int64_t offset = 0;  // of the chunk's content, from the sound's start
        std::int64_t length = 0;  // as its header declares
    };
    bool riffWave = false;        // "RIFF" .... "WAVE" at the start
    std::int64_t riffLength = 0;  // the RIFF header's length field
    std::optional<Chunk> format;  // the first "fmt " chunk, and its fields
    std::uint32_t formatTag = 0;
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t blockAlign = 0;
    std::uint32_t bitsPerSample = 0;
    std::optional<Chunk> data;  // the first "data" chunk
};
WaveLayout ReadWaveLayout(ByteReader& reader, std::int64_t offset, std::int64_t size);

// What a sound's fmt and data chunks tell without decoding it, for a search
// over many archives: the encoding named as SoundDetails names it where the
// fmt chunk says it plainly (PCM and float of their bit depth, A-law, µ-law,
// IMA and MS ADPCM, GSM 6.10), else as WaveFormatName does; the rate and
// channels; and the duration where a fixed block per frame tells it (PCM,
// float, A-law, µ-law). Nullopt without a fmt chunk.
struct HeaderDetails {
    std::string encoding;
    int sampleRate = 0;
    int channels = 0;
    std::optional<double> seconds;
};
std::optional<HeaderDetails> DetailsFromHeader(const WaveLayout& layout);

// Hands a stream on as bytes of 32-bit float samples, in whole frames only
// (an output handed part of a frame fails), from the start again at the end
// when looping. PcmConverter takes them to an audio output's format.
class PcmFeeder {
  public:
    PcmFeeder(std::unique_ptr<SoundStream> stream, bool loop);

    int Channels() const { return stream_->Channels(); }
    int SampleRate() const { return stream_->SampleRate(); }
    std::size_t FrameBytes() const { return sizeof(float) * static_cast<std::size_t>(Channels()); }
    // Fills `out` with as many whole frames as fit and returns the bytes
    // written; 0 once the sound is over, or when a looped
    // sound holds no frames at all.
    std::size_t Read(std::span<std::uint8_t> out);

  private:
    std::unique_ptr<SoundStream> stream_;
    bool loop_;
    bool ended_ = false;
};

// What a sound is, as far as libsndfile can tell without playing it.
struct SoundDetails {
    std::string encoding;  // a short name: "PCM 16-bit", "IMA ADPCM", "GSM 6.10"
    int sampleRate = 0;    // frames per second
    int channels = 0;
    std::optional<int> bits;  // bits per sample where that means something
    std::int64_t frames = 0;
    double seconds = 0;
    std::optional<SoundLoop> loop;
};

// The details of an open stream.
SoundDetails DescribeSound(const SoundStream& stream);
// Its format in words: "PCM 16-bit, 22050 Hz, mono" ("2 channels" for more).
std::string DescribeFormat(const SoundDetails& details);

// The details of `size` bytes of `source` from `offset`, or why they cannot
// be told (the sentence SoundStream would throw). Reads only what
// libsndfile needs to open the sound; writes nothing.
struct DetailsOrProblem {
    std::optional<SoundDetails> details;
    std::string problem;  // empty when details are there
    // Without details, the encoding its fmt chunk names, where it has one:
    // "format 0x0022, TrueSpeech".
    std::string format;
};

// A WAVE format tag as people know it: "format 0x0022, TrueSpeech", or
// "format 0x1234" for a tag without a common name.
std::string WaveFormatName(std::uint32_t tag);
DetailsOrProblem ReadSoundDetails(const std::shared_ptr<const ByteSource>& source,
                                  std::int64_t offset, std::int64_t size);

}  // namespace echodelve
