#pragma once

#include "app/bramble_dlg.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tarn::test {

// The real main window, run on a user-interface thread of the test program as the program runs
// it, with the scan coordinator set up around it. The test thread drives it with the messages a
// user's clicks produce and reads back what the user would see.
class MainWindow {
public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND window() const { return window_; }
    CBrambleDlg& dialog() { return *dialog_; }
    // The list a page shows, once it has filled.
    const std::vector<std::unique_ptr<AutoRunEntry>>& Entries(std::size_t tab) const {
        return dialog_->page(tab).entries();
    }
    bool IsOpen() const;

    // Waits until the scan that is running, or starts, after `completedBefore` finished scans has
    // ended; false on time-out.
    bool WaitForScans(int32_t count, DWORD timeoutMs = 120000) const;

    // Closes the window as a user does with its close box; waits until the thread has left the
    // dialog. Answers how long the window took to go.
    DWORD Close();

    // User actions.
    void ClickTab(std::size_t tab);
    void ClickRow(std::size_t tab, int row);
    void ClickButton(int id);
    // A click on a column's header.
    void ClickHeader(std::size_t tab, int column);

    // The row's context menu, opened with a right click; the user then picks an item or closes it.
    // Items in menu order: whether each of the six commands is available.
    std::vector<bool> OpenMenu(std::size_t tab, int row);
    // The selected row's menu, opened from the keyboard.
    std::vector<bool> OpenMenuFromKeyboard(std::size_t tab);
    void ChooseMenuItem(UINT id);  // expects the menu to close, as it does for an available item
    void ClickMenuItem(UINT id);   // only clicks: a greyed item leaves the menu open
    void CloseMenu();
    bool MenuIsOpen() const;

    // A message box the program shows: its text and caption; the user answers it with a button.
    struct Box {
        HWND window = nullptr;
        std::wstring text;
        std::wstring caption;
        HWND owner = nullptr;
    };
    Box WaitForBox(DWORD timeoutMs = 10000) const;
    bool BoxIsOpen() const;
    void Answer(const Box& box, int button);

    // What the user sees.
    std::wstring Text(int id) const;
    // The whole text of a details line that shows what fits (its tip), however long this
    // machine's paths make it.
    std::wstring WholeText(int id) const;
    int RowCount(std::size_t tab) const;
    std::vector<std::wstring> Row(std::size_t tab, int row) const;
    int RowImage(std::size_t tab, int row) const;
    std::vector<std::pair<std::wstring, int>> Columns(std::size_t tab) const;
    // The text colour the page's custom draw gives a cell.
    COLORREF CellColour(std::size_t tab, int row, int column) const;
    bool IsEnabled(int id) const;

    // Lets the user-interface thread handle everything posted to its windows so far.
    void Settle(HWND window) const;

private:
    void RunDialog();
    // The items of the menu that opens now.
    std::vector<bool> OpenedMenu();

    std::unique_ptr<CBrambleDlg> dialog_;
    std::thread ui_;
    HWND window_ = nullptr;
    HWND menuWindow_ = nullptr;
    HMENU menu_ = nullptr;
    HHOOK hook_ = nullptr;
    bool closed_ = false;
};

// The list a page of the one open main window shows.
const std::vector<std::unique_ptr<AutoRunEntry>>& ShownEntries(std::size_t tab);

// Polls `condition` every 10 ms until it holds or `timeoutMs` pass.
bool Eventually(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

}  // namespace tarn::test
