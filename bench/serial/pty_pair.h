#pragma once
// A pseudo-terminal pair: the port under test opens Path(), the benchmark plays the far
// end on the controlling side.

#include <string>

namespace bench {

class PtyPair {
  public:
    PtyPair();  // throws std::runtime_error when no pseudo-terminal can be had
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& Path() const { return path_; }
    // Writes everything, blocking while the terminal side has no room.
    bool Write(const void* data, size_t n) const;
    // Reads and drops whatever the port sent, until nothing comes for the given time.
    void Drain(int quietMs) const;

  private:
    int master_ = -1;
    std::string path_;
};

}  // namespace bench
