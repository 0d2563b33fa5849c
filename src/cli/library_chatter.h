#pragma once

#include <ostream>
#include <thread>

namespace echodelve::cli {

// What the decoding libraries print on the process's stderr themselves
// (mpg123's "Note: Illegal Audio-MPEG-Header ..." behind libsndfile) is
// theirs, not the tool's. For the life of this object the process's stderr
// is a pipe that a thread of its own reads; the tool's own words go to the
// real stderr through Tool(), and the libraries' lines follow them, marked
// as the decoder's, only while ShowLibraryChatter(true) (-v) holds. Where
// the pipe cannot be made, nothing is moved and the libraries print as before.
class LibraryChatter {
  public:
    LibraryChatter();
    ~LibraryChatter();
    LibraryChatter(const LibraryChatter&) = delete;
    LibraryChatter& operator=(const LibraryChatter&) = delete;

    // The real stderr, for the tool's own messages.
    std::ostream& Tool() { return *tool_; }

  private:
    void Pass();

    int real_ = -1;    // the real stderr, duplicated
    int reader_ = -1;  // the pipe's end this object reads
    std::unique_ptr<std::streambuf> buffer_;
    std::unique_ptr<std::ostream> ownTool_;
    std::ostream* tool_;
    std::thread thread_;
};

// Whether the libraries' lines are passed on (the tool's -v).
void ShowLibraryChatter(bool shown);

}  // namespace echodelve::cli
