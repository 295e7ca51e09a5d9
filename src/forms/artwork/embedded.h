// The artwork files compiled into the program, looked up by file name.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace sorvane::forms::embedded {

struct File {
    std::string_view name;
    const unsigned char* data;
    std::size_t size;
};

std::span<const File* const> files();

} // namespace sorvane::forms::embedded
