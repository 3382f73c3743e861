#include "core/media/ftp_path.h"

namespace brim {
namespace {

char16_t ascii_lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bk::StringView without_prefix(bk::StringView name) {
    return is_ftp_path(name) ? name.substr(ftp_prefix.size()) : name;
}

}  // namespace

bool is_ftp_path(bk::StringView name) { return name.starts_with(ftp_prefix); }

bk::String strip_ftp_prefix(bk::StringView name) { return bk::String(without_prefix(name)); }

bk::String ftp_host(bk::StringView name) {
    const bk::StringView rest = without_prefix(name);
    return bk::String(rest.substr(0, rest.find(u'/')));
}

FtpEndpoint ftp_endpoint(bk::StringView name) {
    const bk::String whole = ftp_host(name);
    bk::StringView host = whole;
    bk::StringView port;
    if (host.starts_with(u'[')) {
        const std::size_t close = host.find(u']');
        if (close != bk::StringView::npos) {
            if (close + 1 < host.size() && host[close + 1] == u':') port = host.substr(close + 2);
            host = host.substr(1, close - 1);
        }
    } else if (const std::size_t colon = host.find(u':'); colon != bk::StringView::npos && host.rfind(u':') == colon) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    std::uint32_t number = 0;
    for (const char16_t c : port) {
        if (c < u'0' || c > u'9' || number > 65535) return {whole, 0};  // not a port: the whole text is the host
        number = number * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    if (number > 65535) return {whole, 0};
    return {bk::String(host), static_cast<std::uint16_t>(number)};
}

bool same_ftp_host(bk::StringView a, bk::StringView b) {
    const bk::String host_a = ftp_host(a);
    const bk::String host_b = ftp_host(b);
    if (host_a.size() != host_b.size()) return false;
    for (std::size_t i = 0; i < host_a.size(); ++i)
        if (ascii_lower(host_a[i]) != ascii_lower(host_b[i])) return false;
    return true;
}

bk::String ftp_remote_path(bk::StringView name) {
    if (!is_ftp_path(name)) return bk::String(name);
    const bk::StringView rest = name.substr(ftp_prefix.size());
    const std::size_t slash = rest.find(u'/');
    // A bare "ftp://host" names the server itself, not a file called so.
    if (slash == bk::StringView::npos) return u"/";
    return bk::String(rest.substr(slash));
}

bk::String ftp_path_join(bk::StringView base, bk::StringView name) {
    if (base.empty()) return bk::String(name);
    if (name.empty()) return bk::String(base);
    bk::String joined(base);
    if (!base.ends_with(u'/')) joined += u'/';
    joined += name;
    return joined;
}

bk::String ftp_absolute_path(bk::StringView current_directory, bk::StringView path) {
    if (path.starts_with(u'/')) return bk::String(path);
    return ftp_path_join(current_directory.empty() ? bk::StringView(u"/") : current_directory, path);
}

FtpPathParts split_ftp_path(bk::StringView remote_path) {
    const std::size_t slash = remote_path.rfind(u'/');
    if (slash == bk::StringView::npos) return {bk::String(), bk::String(remote_path)};
    const bk::StringView parent = slash == 0 ? bk::StringView(u"/") : remote_path.substr(0, slash);
    return {bk::String(parent), bk::String(remote_path.substr(slash + 1))};
}

FtpListPattern ftp_list_pattern(bk::StringView remote_path) {
    bk::String pattern(remote_path);
    if (!pattern.ends_with(u'*')) {
        if (!pattern.empty() && !pattern.ends_with(u'/')) pattern += u'/';
        pattern += u'*';
    }
    FtpPathParts parts = split_ftp_path(pattern);
    parts.leaf.pop_back();  // the "*"
    return {std::move(parts.parent), std::move(parts.leaf)};
}

}  // namespace brim
