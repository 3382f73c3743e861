#pragma once
// A run's catalogue: its tree of items written as records in catalogue order
// (each top-level directory, then its subdirectories' subtrees, then its own
// files; after all top-level directories the top-level files) and read back.
#include <cstdint>
#include <functional>
#include <memory>

#include "basekit/data_stream.h"
#include "core/archive/archive_format.h"
#include "core/archive/data_header.h"

namespace brim::archive {

// Writes the records of every item below `root` (the root itself has no
// record); returns the bytes written.
std::uint32_t write_catalogue(const ArchiveFormat& format, bk::DataOutputStream& out, const DataHeader& root);

// Reads records until `directories` directory records and `files` file
// records were read, into a new root. Each file's data_offset is set to its
// place in the run's data area. Throws bk::FormatException when the records
// disagree with the counts or with each other, bk::EOFException when the
// data ends.
std::unique_ptr<DataHeader> read_catalogue(const ArchiveFormat& format, bk::DataInputStream& in,
                                           std::uint32_t directories, std::uint32_t files);

// Visits the files below `root` in catalogue order, which is also the order
// of their data in the data area.
void for_each_file(const DataHeader& root, const std::function<void(const DataHeader&)>& visit);
void for_each_file(DataHeader& root, const std::function<void(DataHeader&)>& visit);

// Sets the directories' subtree counts and sizes from their children.
void recount(DataHeader& directory);

}  // namespace brim::archive
