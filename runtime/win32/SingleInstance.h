#pragma once
// One notifier per program folder: two copies in one folder would both poll and both
// write the same number file. A named mutex in the session's namespace tells a second
// start that the folder's notifier runs, and the running notifier's window is found by its
// class; both names carry a key of the folder. The mutex goes with the process that made
// it, so a notifier that crashed or was killed never blocks the next start.

#include <string>
#include <string_view>
#include <windows.h>

namespace tarvolin {

// The folder as a key: its full long path in upper case (Windows compares paths without
// regard to case), hashed to 16 hex digits to fit the names whatever the path's length.
[[nodiscard]] std::wstring FolderKey(std::u16string_view folder);

// The class of the notifier's window for a folder key.
[[nodiscard]] std::wstring NotifierWindowClass(const std::wstring& key);

// The name of the instance mutex for a folder key, which the folder's notifier holds.
[[nodiscard]] std::wstring InstanceMutexName(const std::wstring& key);

// The message a second start posts to the running notifier's window.
[[nodiscard]] UINT SecondStartMessage();

class InstanceLock {
public:
    explicit InstanceLock(const std::wstring& key);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    InstanceLock(InstanceLock&&) = delete;
    InstanceLock& operator=(InstanceLock&&) = delete;

    // Whether a notifier of the same folder holds the lock already.
    [[nodiscard]] bool HeldElsewhere() const { return heldElsewhere_; }

private:
    std::wstring name_;
    HANDLE mutex_;
    bool heldElsewhere_;  // read right after the mutex is made, before anything else may fail
};

// Tells the folder's running notifier that another start happened. A notifier that has
// only just started may not have its window yet: it is looked for a little while.
void TellRunningNotifier(const std::wstring& windowClass);

}  // namespace tarvolin
