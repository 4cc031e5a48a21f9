#pragma once

#include <mutex>

namespace qdt::db::access {

// libmdb writes warnings and blank lines straight to standard output and
// error, where they would break the companion's query output and mean nothing
// to a user. While one of these lives, both streams go to /dev/null, or, with
// QDT_ACCESS_DIAGNOSTICS set (to anything but 0), standard output goes to
// standard error, so that a developer still sees them.
//
// The descriptors belong to the whole process: another thread's writes in the
// meantime go the same way, and scopes on several threads take turns.
class LibraryOutputScope {
public:
    LibraryOutputScope();
    ~LibraryOutputScope();
    LibraryOutputScope(const LibraryOutputScope&) = delete;
    LibraryOutputScope& operator=(const LibraryOutputScope&) = delete;

private:
    std::unique_lock<std::recursive_mutex> lock_;
    int savedOut_ = -1;
    int savedErr_ = -1;
};

}  // namespace qdt::db::access
