#pragma once

// The actions of a task as the scheduler keeps them in its registry cache (the "Actions" value of
// "TaskCache\Tasks\{id}"): a version, for version 3 the principal the actions run as, then the
// actions one after another, each a kind mark and counted UTF-16 texts. Pure and bounded by the
// value's size: whatever the bytes, nothing is read past them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

enum class CachedActionKind { Exec, ComHandler, Email, Message };

struct CachedTaskAction {
    CachedActionKind kind = CachedActionKind::Exec;
    std::wstring id;
    // A program: its path, arguments and working folder.
    std::wstring command;
    std::wstring arguments;
    std::wstring workingDirectory;
    // A COM handler: its class ("{…}") and data.
    std::wstring clsid;
    std::wstring data;
    // An e-mail's addressee and subject, or a message's caption.
    std::wstring text;
};

struct CachedTaskActions {
    uint16_t version = 0;
    std::wstring context;
    std::vector<CachedTaskAction> actions;
    // False when the value ended inside an action or held a kind no scheduler writes: what was
    // read before is kept.
    bool complete = true;
};

CachedTaskActions DecodeCachedTaskActions(const unsigned char* data, std::size_t size);

}  // namespace tarn
