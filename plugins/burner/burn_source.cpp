#include <libburn/libburn.h>

#include "plugins/burner/write_target.h"

namespace brimburn {
namespace {

burn::burn_source* inside(::burn_source* source) { return reinterpret_cast<burn::burn_source*>(source); }

}  // namespace

int read_source(::burn_source* source, unsigned char* buffer, int size) {
    burn::burn_source* s = inside(source);
    return s->read_xt != nullptr ? s->read_xt(s, buffer, size) : s->read(s, buffer, size);
}

std::uint64_t source_size(::burn_source* source) {
    burn::burn_source* s = inside(source);
    return static_cast<std::uint64_t>(s->get_size(s));
}

void cancel_source(::burn_source* source) {
    burn::burn_source* s = inside(source);
    if (s->version >= 1 && s->cancel != nullptr) s->cancel(s);
}

void free_source(::burn_source* source) { burn::burn_source_free(inside(source)); }

}  // namespace brimburn
