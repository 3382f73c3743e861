#pragma once
// Opens the data of a local item for the archive writer: a regular file
// read without touching its last-access time, or, for a symbolic link, the
// text of its target (links are stored as links, never followed).
#include <memory>

#include "basekit/stream.h"
#include "core/archive/data_header.h"

namespace brim {

// Throws IOException when the file cannot be opened or the link not read.
std::unique_ptr<bk::InputStream> open_local_item(const DataHeader& item);


// True when the item records a symbolic link.
bool is_link_item(const DataHeader& item);

}  // namespace brim
