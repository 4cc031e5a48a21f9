#include "db/access/LibraryOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qdt::db::access {

namespace {

std::recursive_mutex& Turn() {
    static std::recursive_mutex m;
    return m;
}

bool DiagnosticsWanted() {
    const char* v = std::getenv("QDT_ACCESS_DIAGNOSTICS");
    return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace

LibraryOutputScope::LibraryOutputScope() : lock_(Turn()) {
    // What is still buffered is ours and goes where it was meant to.
    std::fflush(stdout);
    std::fflush(stderr);
    const bool keep = DiagnosticsWanted();
    int target = keep ? dup(STDERR_FILENO) : open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (target < 0) return;
    savedOut_ = dup(STDOUT_FILENO);
    if (!keep) savedErr_ = dup(STDERR_FILENO);
    if (savedOut_ >= 0) dup2(target, STDOUT_FILENO);
    if (savedErr_ >= 0) dup2(target, STDERR_FILENO);
    close(target);
}

LibraryOutputScope::~LibraryOutputScope() {
    // libmdb's own buffered lines go where the scope sent them.
    std::fflush(stdout);
    std::fflush(stderr);
    if (savedOut_ >= 0) {
        dup2(savedOut_, STDOUT_FILENO);
        close(savedOut_);
    }
    if (savedErr_ >= 0) {
        dup2(savedErr_, STDERR_FILENO);
        close(savedErr_);
    }
}

}  // namespace qdt::db::access
