#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace echodelve {

// What the decoding libraries print on the process's stderr themselves
// (mpg123's "Note: Illegal Audio-MPEG-Header ..." behind libsndfile) is
// theirs, not the program's. For the life of this object (one, made at the
// start of main) the process's stderr is a pipe that a thread of its own
// reads; the program's own words go to the real stderr through Tool() or
// ToolFd(), and the libraries' lines follow them, marked "`name`: library:",
// only while ShowLibraryChatter(true) (a verbose option) holds. Where the
// pipe cannot be made, nothing is moved and the libraries print as before.
class LibraryChatter {
  public:
    explicit LibraryChatter(std::string name);
    ~LibraryChatter();
    LibraryChatter(const LibraryChatter&) = delete;
    LibraryChatter& operator=(const LibraryChatter&) = delete;

    // The real stderr, for the program's own messages.
    std::ostream& Tool() { return *tool_; }
    // The same as a file descriptor: the real stderr while an object of this
    // class has moved it aside, else stderr itself.
    static int ToolFd();

  private:
    void Pass();

    std::string mark_;  // "name: library: "
    int real_ = -1;     // the real stderr, duplicated
    int reader_ = -1;   // the pipe's end this object reads
    std::unique_ptr<std::streambuf> buffer_;
    std::unique_ptr<std::ostream> ownTool_;
    std::ostream* tool_;
    std::thread thread_;
};

// Whether the libraries' lines are passed on (a verbose option).
void ShowLibraryChatter(bool shown);

}  // namespace echodelve
