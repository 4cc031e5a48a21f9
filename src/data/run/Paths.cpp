#include "data/run/Paths.h"

namespace qdt::data {

std::size_t FolderEnd(const std::string& path, SeparatorRule rule) {
    if (rule == SeparatorRule::kLastOfEither) return path.find_last_of("\\/");
    const std::size_t backslash = path.rfind('\\');
    return backslash != std::string::npos ? backslash : path.rfind('/');
}

}  // namespace qdt::data
