#include "basekit/buffered_stream.h"
#include "basekit/data_stream.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/memory_stream.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/set_names.h"
#include "core/archive/set_security.h"

namespace brim::archive {
namespace {

struct HeaderReader {
    explicit HeaderReader(const bk::String& path)
        : file(path, bk::FileShare::None), buffered(&file, 512, false, false), in(&buffered, false) {}
    bk::FileInputStream file;
    bk::BufferedInputStream buffered;
    bk::DataInputStream in;
};

bool is_set_header(const FileHeader& header, std::uint32_t program_major) {
    return header.magic == magic && header.span < span_limit &&
           (header.version == format_version_2 || program_major >= header.version / 65536);
}

}  // namespace

std::optional<StoredSecurityHeader> read_stored_security_header(bk::StringView path, std::uint32_t program_major) {
    bk::String main(path);
    if (!bk::SystemFile::is_file(main) || bk::File(main).length() <= file_header_size) return std::nullopt;
    try {
        if (bk::Path::extension_name(main) == volume_extension) {
            HeaderReader volume(main);
            const FileHeader header = ArchiveFormat::read_file_header(volume.in);
            if (!is_set_header(header, program_major)) return std::nullopt;
            const VolumeLink link = ArchiveFormat::for_version(header.version)->read_volume_link(volume.in);
            main = bk::Path::combine(bk::Path::directory_name(main), link.main_name);
            if (!bk::SystemFile::is_file(main))
                throw bk::IOException(bk::format_text(u"The backup set \"%s\" does not exist", {main}));
        }
        HeaderReader reader(main);
        const FileHeader header = ArchiveFormat::read_file_header(reader.in);
        if (!is_set_header(header, program_major)) return std::nullopt;
        StoredSecurityHeader stored;
        stored.path = main;
        stored.format = ArchiveFormat::for_version(header.version);
        stored.header = stored.format->read_security_header(reader.in);
        return stored;
    } catch (const bk::EOFException&) {
        return std::nullopt;
    } catch (const bk::FormatException&) {
        return std::nullopt;
    }
}

void write_stored_security_header(const StoredSecurityHeader& stored) {
    bk::MemoryOutputStream sink;
    {
        bk::DataOutputStream out(&sink, false);
        stored.format->write_security_header(out, stored.header);
    }
    bk::FileOutputStream file(stored.path, bk::FileMode::Open);
    file.seek(offset_security_size, bk::SeekOrigin::Begin);
    file.write(sink.bytes().data(), static_cast<std::uint32_t>(sink.bytes().size()));
    file.flush();
}

}  // namespace brim::archive
