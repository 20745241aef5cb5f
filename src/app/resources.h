// Resources of type "BINARY" compiled into the program (the schemas).
#pragma once
#include <cstddef>
#include <string>

namespace valorix {

struct EmbeddedResource {
    int id;
    const unsigned char* begin;
    const unsigned char* end;
};
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

/// Content of the resource named "#<id>": its bytes up to its size or up to a
/// first zero byte; empty when there is no such resource.
std::string LoadBinaryResource(const std::string& name);

}  // namespace valorix
