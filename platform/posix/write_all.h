// Writing to a file descriptor on POSIX.
#pragma once

#include <errno.h>
#include <unistd.h>

#include <string>

namespace discsetup {

// Writes every byte, retrying after interruptions and short writes; gives up quietly on an error,
// since there is nowhere left to report it.
inline void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace discsetup
