#include "plugins/burner/burner_texts.h"

#include "plugins/burner/burner_api.h"

namespace brimburn {
namespace {

struct ResultText {
    std::int32_t code;
    const char* text;
};

constexpr ResultText texts[] = {
    {BURNER_OK, "The operation completed successfully."},
    {BURNER_E_NOT_INITIALIZED, "The burning module has not been initialized."},
    {BURNER_E_NO_PROJECT, "No disc project has been created."},
    {BURNER_E_NO_DEVICE, "No drive or image file has been chosen."},
    {BURNER_E_INVALID_ARGUMENT, "An argument is not valid."},
    {BURNER_E_UNKNOWN_DEVICE, "The drive or image file does not exist."},
    {BURNER_E_TOO_LONG, "A name or path is too long."},
    {BURNER_E_EXISTS, "A file or directory of that name is already on the disc."},
    {BURNER_E_NO_PARENT, "The directory for the file has not been created on the disc."},
    {BURNER_E_SOURCE, "A source file cannot be read."},
    {BURNER_E_IMAGE, "The disc image cannot be built."},
    {BURNER_E_WRITE, "Writing the disc or the image file failed."},
    {BURNER_E_ABORTED, "Burning was aborted."},
    {BURNER_E_DRIVE, "The drive cannot be used; it may be in use by another program."},
    {BURNER_E_MEDIUM, "There is no blank writable disc in the drive."},
    {BURNER_E_VERIFY_READ, "The burned data cannot be read back."},
    {BURNER_E_BUSY, "A burn is in progress."},
    {BURNER_E_NOT_PREPARED, "The project has not been prepared for burning."},
    {BURNER_E_EMPTY, "There is nothing to burn."},
    {BURNER_E_MEMORY, "Not enough memory."},
    {BURNER_E_UNSUPPORTED, "The operation is not supported."},
};

}  // namespace

const char* result_text(std::int32_t code) {
    for (const auto& entry : texts)
        if (entry.code == code) return entry.text;
    return nullptr;
}

}  // namespace brimburn
