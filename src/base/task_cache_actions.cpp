#include "base/task_cache_actions.h"

#include <cwchar>

namespace tarn {

namespace {

// Reads little-endian numbers and counted texts, never past the end; a read that does not fit
// fails and leaves the reader failed.
class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return at_ == size_; }

    uint32_t Number(std::size_t bytes) {
        if (!Fits(bytes)) {
            return 0;
        }
        uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value |= static_cast<uint32_t>(data_[at_ + i]) << (8 * i);
        }
        at_ += bytes;
        return value;
    }

    // A byte count, then that many bytes of UTF-16 (an odd last byte is skipped).
    std::wstring Text() {
        const uint32_t bytes = Number(4);
        if (!Fits(bytes)) {
            return {};
        }
        std::wstring text(bytes / 2, L'\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<wchar_t>(data_[at_ + 2 * i] | (data_[at_ + 2 * i + 1] << 8));
        }
        at_ += bytes;
        // Some writers count the terminator too.
        while (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        return text;
    }

    std::wstring Guid() {
        if (!Fits(16)) {
            return {};
        }
        const unsigned char* g = data_ + at_;
        wchar_t text[40] = {};
        std::swprintf(text, 40, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                      static_cast<unsigned>(g[0] | (g[1] << 8) | (g[2] << 16) | (static_cast<unsigned>(g[3]) << 24)),
                      static_cast<unsigned>(g[4] | (g[5] << 8)), static_cast<unsigned>(g[6] | (g[7] << 8)), g[8], g[9],
                      g[10], g[11], g[12], g[13], g[14], g[15]);
        at_ += 16;
        return text;
    }

private:
    bool Fits(std::size_t bytes) {
        ok_ = ok_ && bytes <= size_ - at_;
        return ok_;
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

constexpr uint16_t kExecMark = 0x6666;
constexpr uint16_t kComHandlerMark = 0x7777;
constexpr uint16_t kEmailMark = 0x8888;
constexpr uint16_t kMessageMark = 0x9999;

}  // namespace

CachedTaskActions DecodeCachedTaskActions(const unsigned char* data, std::size_t size) {
    CachedTaskActions decoded;
    Reader reader(data, size);
    decoded.version = static_cast<uint16_t>(reader.Number(2));
    if (decoded.version == 3) {
        decoded.context = reader.Text();
    }
    while (reader.ok() && !reader.atEnd()) {
        CachedTaskAction action;
        const auto mark = static_cast<uint16_t>(reader.Number(2));
        action.id = reader.Text();
        switch (mark) {
            case kExecMark:
                action.kind = CachedActionKind::Exec;
                action.command = reader.Text();
                action.arguments = reader.Text();
                action.workingDirectory = reader.Text();
                if (decoded.version == 3) {
                    reader.Number(2);  // flags
                }
                break;
            case kComHandlerMark:
                action.kind = CachedActionKind::ComHandler;
                action.clsid = reader.Guid();
                action.data = reader.Text();
                break;
            case kEmailMark: {
                action.kind = CachedActionKind::Email;
                reader.Text();  // from
                action.text = reader.Text();
                for (int i = 0; i < 4; ++i) {
                    reader.Text();  // cc, bcc, reply-to, server
                }
                const std::wstring subject = reader.Text();
                action.text += L" " + subject;
                reader.Text();  // body
                // Counted lists: each entry takes at least its own count's four bytes, so a count
                // the value cannot hold stops the reader at once.
                for (uint32_t n = reader.Number(4); reader.ok() && n > 0; --n) {
                    reader.Text();
                }
                for (uint32_t n = reader.Number(4); reader.ok() && n > 0; --n) {
                    reader.Text();
                    reader.Text();
                }
                break;
            }
            case kMessageMark:
                action.kind = CachedActionKind::Message;
                action.text = reader.Text();
                reader.Text();  // content
                break;
            default:
                decoded.complete = false;
                return decoded;
        }
        if (!reader.ok()) {
            break;
        }
        decoded.actions.push_back(std::move(action));
    }
    decoded.complete = reader.ok();
    return decoded;
}

}  // namespace tarn
