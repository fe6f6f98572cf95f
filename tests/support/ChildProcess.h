#pragma once

// Faults made for real (a full disk, no free file handle, a folder that refuses writes) are made in a forked
// child, so that they never reach the tests around them. POSIX only.
#ifndef _WIN32
#include <cstddef>
#include <functional>

namespace velmora::test {

/// Runs the body in a forked child and gives its exit code, or 128 + the signal that ended it. The child's
/// gtest checks do not count: the body reports through the code it returns.
int inChild(const std::function<int()>& body);

/// Makes every write past the size fail with EFBIG, as a full disk makes writes fail with ENOSPC, instead of
/// ending the process with SIGXFSZ. For a child only: the limit holds for the rest of the process.
void limitFileSize(std::size_t bytes);

} // namespace velmora::test
#endif
