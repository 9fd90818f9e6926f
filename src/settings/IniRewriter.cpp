#include "settings/IniRewriter.h"

#include "base/TextUtil.h"

#include <algorithm>
#include <climits>
#include <sys/uio.h>
#include <unistd.h>

namespace vd::ini {

void Rewriter::KeepTo(size_t end) {
    if (end > kept_) Push(false, kept_, end - kept_);
    kept_ = std::max(kept_, end);
}

void Rewriter::Add(std::string_view text) {
    if (text.empty()) return;
    Push(true, added_.size(), text.size());
    added_.append(text);
    changed_ = true;
}

void Rewriter::EditSection(const Header& h, size_t end, std::vector<PendingKey>& keys) {
    size_t insertAt = h.body;
    bool insertNeedsEnd = h.body == h.line || old_[h.body - 1] != '\n';
    for (size_t pos = h.body; pos < end;) {
        const size_t nl = LineEnd(old_, pos);
        const bool hasEnd = nl < old_.size();
        size_t textEnd = nl;
        if (hasEnd && textEnd > pos && old_[textEnd - 1] == '\r') --textEnd;
        const std::string_view text = old_.substr(pos, textEnd - pos);
        const size_t next = hasEnd ? nl + 1 : old_.size();
        std::string_view stored;
        if (auto key = KeyOf(text, &stored)) {
            for (auto& k : keys) {
                if (k.done || !EqualsNoCase(*key, *k.key)) continue;
                k.done = true;
                k.old = std::string(StripQuotes(stored));
                line_.assign(*key);
                line_ += '=';
                line_ += *k.value;
                if (line_ != text) {
                    KeepTo(pos);
                    Add(line_);
                    SkipTo(textEnd);  // the line's own end stays
                }
                break;
            }
        }
        if (!TrimView(text).empty()) {
            insertAt = next;
            insertNeedsEnd = !hasEnd;
        }
        pos = next;
    }
    line_.clear();
    for (const auto& k : keys) {
        if (k.done) continue;
        line_ += *k.key;
        line_ += '=';
        line_ += *k.value;
        line_ += style_;
    }
    if (line_.empty()) return;
    KeepTo(insertAt);
    if (insertNeedsEnd) Add(style_);
    Add(line_);
}

void Rewriter::AddSection(const std::string& name, const std::vector<PendingKey>& keys) {
    KeepTo(old_.size());
    bool ended = true;
    std::string last = LastLine(ended);
    if (!pieces_.empty()) {
        if (!ended) Add(style_);
        if (!TrimView(last).empty()) Add(style_);
    }
    line_ = "[" + name + "]";
    line_ += style_;
    for (const auto& k : keys) {
        line_ += *k.key;
        line_ += '=';
        line_ += *k.value;
        line_ += style_;
    }
    Add(line_);
}

bool Rewriter::WriteTo(int fd) {
    KeepTo(old_.size());
    std::vector<iovec> iov;
    iov.reserve(pieces_.size());
    for (const auto& p : pieces_) {
        const char* base = p.added ? added_.data() : old_.data();
        iov.push_back({const_cast<char*>(base + p.offset), p.size});
    }
    size_t first = 0;
    while (first < iov.size()) {
        const int count = static_cast<int>(std::min<size_t>(iov.size() - first, IOV_MAX));
        ssize_t n = writev(fd, iov.data() + first, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        auto done = static_cast<size_t>(n);
        while (first < iov.size() && done >= iov[first].iov_len) done -= iov[first++].iov_len;
        if (first < iov.size()) {
            iov[first].iov_base = static_cast<char*>(iov[first].iov_base) + done;
            iov[first].iov_len -= done;
        }
    }
    return true;
}

void Rewriter::Push(bool added, size_t offset, size_t size) {
    if (!pieces_.empty() && pieces_.back().added == added && pieces_.back().offset + pieces_.back().size == offset)
        pieces_.back().size += size;
    else
        pieces_.push_back({added, offset, size});
}

std::string Rewriter::LastLine(bool& ended) const {
    std::string reversed;
    bool first = true;
    ended = false;
    for (auto p = pieces_.rbegin(); p != pieces_.rend(); ++p) {
        const char* base = p->added ? added_.data() : old_.data();
        for (size_t i = p->size; i-- > 0;) {
            const char c = base[p->offset + i];
            if (c == '\n') {
                if (!first) return {reversed.rbegin(), reversed.rend()};
                ended = true;
            } else {
                reversed += c;
            }
            first = false;
        }
    }
    return {reversed.rbegin(), reversed.rend()};
}

}  // namespace vd::ini
