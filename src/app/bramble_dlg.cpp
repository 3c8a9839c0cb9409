#include "app/bramble_dlg.h"

#include "app/about_dlg.h"
#include "app/scan_coordinator.h"
#include "app/update_check.h"
#include "pages/category_table.h"
#include "pages/entry_filter.h"
#include "pages/row_texts.h"
#include "resource_ids.h"
#include "win/com_ptr.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace tarn {

namespace {

constexpr int kPageTopOffset = 44;
constexpr int kRowsInPageOffset = 2;
constexpr UINT_PTR kUpdateTimer = 1;
constexpr UINT kBlinkPeriodMs = 500;
constexpr DWORD kBlinkFramePauseMs = 10;
constexpr int kBlinkFrames[] = {IDB_BLINK_1, IDB_BLINK_2, IDB_BLINK_3, IDB_BLINK_4, IDB_BLINK_5};

HICON LoadAppIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
}

}  // namespace

CBrambleDlg::CBrambleDlg(HINSTANCE instance)
    : instance_(instance),
      icon_(LoadAppIcon(instance, ::GetSystemMetrics(SM_CXICON))),
      smallIcon_(LoadAppIcon(instance, ::GetSystemMetrics(SM_CXSMICON))),
      pages_(CreatePages(Scan().pages)) {}

CBrambleDlg::~CBrambleDlg() = default;

BOOL CBrambleDlg::OnInitDialog() {
    ::SendMessageW(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    ::SendMessageW(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    Scan().signals.mainWindow = window();
    dpi_ = WindowDpi(window());
    ScaleDialogOurselves(window());
    BuildTabsAndPages();
    StartLayout();
    CreateCommandTip();
    // Greyed until every page has filled.
    ::EnableWindow(Item(IDC_REFRESH), FALSE);
    StartScan();
    updateTarget_ = std::make_shared<UpdateTarget>(window());
    StartUpdateCheck(updateTarget_);
    return TRUE;
}

void CBrambleDlg::BuildTabsAndPages() {
    tabControl_ = Item(IDC_TABS);
    // Tab moves on from the tab strip into the page shown, its list first.
    ::SetWindowLongPtrW(tabControl_, GWL_EXSTYLE, ::GetWindowLongPtrW(tabControl_, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    LoadDpiResources();
    for (std::size_t k = 0; k < kCategoryCount; ++k) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(CategoryTable()[k].caption);
        item.iImage = static_cast<int>(k);
        ::SendMessageW(tabControl_, TCM_INSERTITEMW, k, reinterpret_cast<LPARAM>(&item));
        pages_[k]->Create(instance_, tabControl_);
    }
    ::SendMessageW(tabControl_, TCM_SETCURSEL, 0, 0);
    LayOutPages();
    for (auto& page : pages_) {
        if (page->window() != nullptr) {
            ::ShowWindow(page->window(), SW_HIDE);
        }
    }
    ShowSelectedPage();
}

void CBrambleDlg::LoadDpiResources() {
    // Each tab icon drawn at its size (the icons hold 16, 24 and 32 pixel drawings).
    const int size = ScaleToDpi(16, dpi_);
    unique_himagelist images(::ImageList_Create(size, size, ILC_MASK | ILC_COLOR32, 0, 40));
    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        const unique_hicon tabIcon(static_cast<HICON>(
            ::LoadImageW(instance_, MAKEINTRESOURCEW(TabIconId(tab)), IMAGE_ICON, size, size, 0)));
        ::ImageList_ReplaceIcon(images.get(), -1, tabIcon.get());
    }
    ::SendMessageW(tabControl_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    tabImages_ = std::move(images);
    // The banner drawn for the nearest scale at or below the window's; the control takes its size.
    const int banner = dpi_ >= 192 ? IDB_BANNER_200
                       : dpi_ >= 144 ? IDB_BANNER_150
                       : dpi_ >= 120 ? IDB_BANNER_125
                                     : IDB_BANNER;
    const auto picture = static_cast<HBITMAP>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(banner), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (picture != nullptr) {
        ::SendMessageW(Item(IDC_BANNER), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
        // The picture shown before goes only once the control no longer shows it.
        bannerPicture_.reset(picture);
    }
}

void CBrambleDlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
    const UINT from = dpi_;
    if (dpi == 0 || dpi == from) {
        return;
    }
    dpi_ = dpi;
    // The fonts of the children, then the places the layout keeps, then the window's own size.
    ScaledFonts fonts;
    ScaleChildren(window(), from, dpi, fonts);
    fonts_ = std::move(fonts);
    layout_.Rescale(from, dpi);
    minimumSize_ = {ScaleBetween(minimumSize_.cx, from, dpi), ScaleBetween(minimumSize_.cy, from, dpi)};
    LoadDpiResources();
    for (auto& page : pages_) {
        if (page->window() != nullptr) {
            page->OnDpiChanged(from, dpi);
        }
    }
    ::SendMessageW(commandTip_, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(600, dpi_));
    ::SetWindowPos(window(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layout_.Apply();
    LayOutPages();
    RefitDetails();
    ::InvalidateRect(window(), nullptr, TRUE);
}

void CBrambleDlg::LayOutPages() {
    RECT area = {};
    ::GetClientRect(tabControl_, &area);
    // The pages start below the tab rows: the Parts' offset holds two; each further row pushes
    // them down by its height (and a wide window's fewer rows pull them up).
    RECT first = {};
    const auto rows = static_cast<int>(::SendMessageW(tabControl_, TCM_GETROWCOUNT, 0, 0));
    ::SendMessageW(tabControl_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    area.top += ScaleToDpi(kPageTopOffset, dpi_) + (rows - kRowsInPageOffset) * (first.bottom - first.top);
    for (auto& page : pages_) {
        if (page->window() != nullptr) {
            ::MoveWindow(page->window(), area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
        }
    }
}

void CBrambleDlg::EraseBackground(HDC dc) {
    RECT client = {};
    ::GetClientRect(window(), &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DFACE));
    // A window wider than the banner continues it with the banner's last column.
    RECT banner = {};
    ::GetWindowRect(Item(IDC_BANNER), &banner);
    ::MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&banner), 2);
    BITMAP picture = {};
    if (banner.right >= client.right || !bannerPicture_ ||
        ::GetObjectW(bannerPicture_.get(), sizeof picture, &picture) == 0) {
        return;
    }
    if (const HDC memory = ::CreateCompatibleDC(dc)) {
        const HGDIOBJ previous = ::SelectObject(memory, bannerPicture_.get());
        ::StretchBlt(dc, banner.right, banner.top, client.right - banner.right, banner.bottom - banner.top, memory,
                     picture.bmWidth - 1, 0, 1, picture.bmHeight, SRCCOPY);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);
    }
}

void CBrambleDlg::StartLayout() {
    RECT frame = {};
    ::GetWindowRect(window(), &frame);
    minimumSize_ = {frame.right - frame.left, frame.bottom - frame.top};
    layout_.Start(window());
    RECT client = {};
    ::GetClientRect(window(), &client);
    const auto placeOf = [this](HWND control) {
        RECT rect = {};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, window(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    const RECT tabs = placeOf(tabControl_);
    const RECT buttons = placeOf(Item(IDC_REFRESH));
    for (HWND child = ::GetWindow(window(), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const int id = ::GetDlgCtrlID(child);
        const RECT rect = placeOf(child);
        unsigned anchor = kAnchorNone;
        if (child == tabControl_) {
            anchor = kGrowWide | kGrowTall;
        } else if (id == IDC_BANNER_FRAME) {
            anchor = kGrowWide;
        } else if (rect.top >= tabs.bottom - 1) {
            // The details panel stays along the bottom edge, the buttons in its right corner; the
            // lines across the window, the command line and the location grow with it.
            anchor = kMoveDown;
            if (rect.left >= buttons.left) {
                anchor |= kMoveRight;
            } else if (id == IDC_DETAIL_COMMAND || id == IDC_DETAIL_LOCATION ||
                       (rect.right - rect.left) * 10 >= (client.right - client.left) * 9) {
                anchor |= kGrowWide;
            }
        }
        layout_.Add(child, anchor);
    }
}

void CBrambleDlg::ShowSelectedPage() {
    const std::size_t selected = ShownTab();
    for (auto& page : pages_) {
        if (page->window() != nullptr) {
            ::ShowWindow(page->window(), SW_HIDE);
        }
    }
    if (selected < kCategoryCount && pages_[selected]->window()) {
        pages_[selected]->ApplyFilterIfStale();
        ::ShowWindow(pages_[selected]->window(), SW_SHOWNORMAL);
    }
}

bool CBrambleDlg::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
        case IDC_REFRESH:
            // F5 comes as a press of the button: while the button is greyed (a scan runs) it does
            // nothing, as a click does.
            if (::IsWindowEnabled(Item(IDC_REFRESH))) {
                OnRefresh();
            }
            return true;
        case IDC_ABOUT:
            OnAboutButton();
            return true;
        case IDOK:
            // Enter: on a row, its details; the window stays.
            ShowSelectedDetails();
            return true;
        case IDCANCEL:
            // Esc clears the filter and closes nothing: the window closes by its close box, Alt+F4
            // or its menu.
            SetFilter(L"");
            return true;
        default:
            return false;
    }
}

bool CBrambleDlg::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom == IDC_TABS && header.code == TCN_SELCHANGE) {
        ShowSelectedPage();
        ShowSelectedDetails();
        ShowUnreadableNote(ShownTab());
        result = 0;
        return true;
    }
    if (header.idFrom == IDC_TABS && header.code == TCN_KEYDOWN) {
        const WORD key = reinterpret_cast<const NMTCKEYDOWN&>(header).wVKey;
        if (key == VK_F5) {
            PressRefreshButton(window());
        } else if (key == 'F' && ::GetKeyState(VK_CONTROL) < 0) {
            FocusFilter();
        }
        result = 0;
        return true;
    }
    if (header.idFrom == IDC_SITE_LINK && (header.code == NM_CLICK || header.code == NM_RETURN)) {
        OnSiteLink();
        result = 0;
        return true;
    }
    return false;
}

bool CBrambleDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_TARN_SHOW_DETAILS:
            // Only the tab shown speaks: its selected row, or nothing once the row is gone.
            if (wParam == ShownTab()) {
                ShowSelectedDetails();
            }
            result = 0;
            return true;
        case WM_TARN_FILTER_TYPED:
            if (wParam < kCategoryCount) {
                SetFilter(pages_[wParam]->FilterText());
            }
            result = 0;
            return true;
        case WM_TARN_ROWS_CHANGED:
            ShowCounts();
            result = 0;
            return true;
        case WM_TARN_PROGRESS:
            ShowProgress(static_cast<std::size_t>(wParam), static_cast<std::size_t>(lParam));
            result = 0;
            return true;
        case WM_TARN_PAGE_FILLED:
            ShowCounts();
            if (wParam == ShownTab()) {
                ShowUnreadableNote(static_cast<std::size_t>(wParam));
            }
            if (ScanPageFilled(static_cast<std::size_t>(wParam))) {
                ::EnableWindow(Item(IDC_REFRESH), TRUE);
                // The progress goes with the scan.
                if (std::exchange(progressShown_, false)) {
                    ShowSelectedDetails();
                    ShowUnreadableNote(ShownTab());
                }
            }
            result = 0;
            return true;
        case WM_PAINT:
            if (!::IsIconic(window())) {
                return false;
            }
            PaintMinimised();
            result = 0;
            return true;
        case WM_TARN_UPDATE_RESULT:
            OnUpdateResult(static_cast<DWORD>(wParam));
            result = 0;
            return true;
        case WM_TIMER:
            OnUpdateTimer(static_cast<UINT_PTR>(wParam));
            return false;
        case WM_CLOSE:
            Close();
            result = 0;
            return true;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED && tabControl_ != nullptr) {
                layout_.Apply();
                LayOutPages();
                RefitDetails();
            }
            return false;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            result = 0;
            return true;
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            result = TRUE;
            return true;
        case WM_GETMINMAXINFO:
            // Never smaller than the window the program opens with.
            if (minimumSize_.cx > 0) {
                auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
                limits.ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
            }
            result = 0;
            return true;
        case WM_NEXTDLGCTL:
            // Tab and Shift+Tab (the dialog manager's relative moves).
            return lParam == 0 && MoveFocus(wParam != 0);
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(icon_.get());
            return true;
        case WM_DESTROY:
            if (updateTarget_) {
                updateTarget_->Detach();
            }
            ::KillTimer(window(), kUpdateTimer);
            StopScanThreads();
            Scan().signals.mainWindow = nullptr;
            return false;
        default:
            return false;
    }
}

void CBrambleDlg::Close() {
    // A row's menu still open (closing from the task bar) would keep its tracking loop, and with
    // it this window's modal loop, running after the window is gone.
    ::EndMenu();
    // The scan ends when the user closes, not only once the window is gone: hiding the window may
    // take a while (a window manager that answers late).
    StopScanThreads();
    ::EndDialog(window(), IDCANCEL);
}

bool CBrambleDlg::MoveFocus(bool backward) {
    const auto tab = ShownTab();
    if (tab >= kCategoryCount || pages_[tab]->window() == nullptr) {
        return false;
    }
    const HWND focus = ::GetFocus();
    HWND next = nullptr;
    if (::GetKeyState(VK_CONTROL) < 0) {
        // Ctrl+Tab and Ctrl+Shift+Tab change the tab, as in a property sheet.
        const std::size_t to = backward ? (tab + kCategoryCount - 1) % kCategoryCount : (tab + 1) % kCategoryCount;
        ::SendMessageW(tabControl_, TCM_SETCURSEL, to, 0);
        ShowSelectedPage();
        ShowSelectedDetails();
        ShowUnreadableNote(to);
        next = pages_[to]->listView();
    } else if (!backward && focus == tabControl_) {
        // The pages lie inside the tab strip: Tab goes on from it into the list shown.
        next = pages_[tab]->listView();
    } else if (backward && focus == pages_[tab]->listView()) {
        next = tabControl_;
    }
    if (next == nullptr) {
        return false;
    }
    ::SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    return true;
}

void CBrambleDlg::SetFilter(const std::wstring& text) {
    for (auto& page : pages_) {
        if (page->window() != nullptr) {
            page->SetFilter(text);
        }
    }
    ShowCounts();
}

void CBrambleDlg::FocusFilter() {
    const auto tab = ShownTab();
    if (tab < kCategoryCount && pages_[tab]->filterBox() != nullptr) {
        ::SendMessageW(window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pages_[tab]->filterBox()), TRUE);
    }
}

void CBrambleDlg::ShowCounts() {
    const auto rowsBefore = ::SendMessageW(tabControl_, TCM_GETROWCOUNT, 0, 0);
    for (std::size_t tab = 0; tab < kCategoryCount; ++tab) {
        const CAutoRunPage& page = *pages_[tab];
        // A page counts once its rows show its list.
        const std::wstring caption =
            page.filled() ? CountedCaption(CategoryTable()[tab].caption, page.entries().size(), page.MatchCount(),
                                           !page.FilterText().empty())
                          : std::wstring(CategoryTable()[tab].caption);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        ::SendMessageW(tabControl_, TCM_SETITEMW, tab, reinterpret_cast<LPARAM>(&item));
    }
    // Longer captions may take another row of tabs.
    if (::SendMessageW(tabControl_, TCM_GETROWCOUNT, 0, 0) != rowsBefore) {
        LayOutPages();
    }
}

void CBrambleDlg::ClearFileFacts(HICON icon) {
    ::SendMessageW(Item(IDC_DETAIL_ICON), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // The icon shown before is released only once the control no longer shows it.
    detailsIcon_.reset();
    for (const int id : {IDC_SIZE_LABEL, IDC_TIME_LABEL, IDC_VERSION_LABEL, IDC_KB_LABEL, IDC_DETAIL_DESCRIPTION,
                         IDC_DETAIL_COMPANY, IDC_DETAIL_SIZE, IDC_DETAIL_VERSION, IDC_DETAIL_TIME}) {
        ::SetDlgItemTextW(window(), id, L"");
    }
}

void CBrambleDlg::ShowProgress(std::size_t tab, std::size_t found) {
    // Only while a scan runs, and never over an entry the user is looking at.
    if (::IsWindowEnabled(Item(IDC_REFRESH)) || entryShown_) {
        return;
    }
    ClearFileFacts(nullptr);
    const std::wstring count = std::to_wstring(found);
    ShowName(L"正在扫描…");
    ::SetDlgItemTextW(window(), IDC_LOCATION_LABEL, L"进度:");
    const std::wstring text = tab < kCategoryCount
                                  ? std::wstring(CategoryTable()[tab].caption) + L"（第 " + std::to_wstring(tab + 1) +
                                        L"/" + std::to_wstring(kCategoryCount) + L" 类，已找到 " + count + L" 项）"
                                  : L"正在显示找到的 " + count + L" 项…";
    ShowLocation(text);
    ShowCommandLine(L"");
    progressShown_ = true;
}

void CBrambleDlg::ShowSelectedDetails() {
    const auto tab = ShownTab();
    const AutoRunEntry* entry = tab < kCategoryCount ? std::as_const(*pages_[tab]).SelectedEntry() : nullptr;
    if (entry != nullptr) {
        ShowEntryDetails(*entry);
        return;
    }
    entryShown_ = false;
    ClearFileFacts(nullptr);
    ::SetDlgItemTextW(window(), IDC_LOCATION_LABEL, L"");
    ShowLocation(L"");
    ShowName(L"");
    ShowCommandLine(L"");
}

void CBrambleDlg::PaintMinimised() {
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window(), &paint);
    RECT client = {};
    ::GetClientRect(window(), &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon_.get());
    ::EndPaint(window(), &paint);
}

void CBrambleDlg::OnAboutButton() {
    CAbout about(instance_);
    about.RunModal(instance_, IDD_ABOUT, window());
    ::KillTimer(window(), kUpdateTimer);
    if (updateAvailable_ == 1) {
        ::SetDlgItemTextW(window(), IDC_ABOUT, L"关 于");
        OpenUpdatePage();
        updateAvailable_ = 0;
    }
}

void CBrambleDlg::OnSiteLink() {
    OpenSite();
}

void CBrambleDlg::OnUpdateResult(DWORD exitCode) {
    if (exitCode == kUpdateWaiting) {
        updateAvailable_ = 1;
        ::SetTimer(window(), kUpdateTimer, kBlinkPeriodMs, nullptr);
    } else if (exitCode == kUpdateOpenPageNow) {
        OpenUpdatePage();
    }
}

void CBrambleDlg::OnUpdateTimer(UINT_PTR id) {
    if (updateAvailable_ != 1 || id != kUpdateTimer) {
        return;
    }
    const HWND button = Item(IDC_ABOUT);
    if (blinkPhase_ == 0) {
        ::SetWindowTextW(button, L"\u3000关\u3000于\u3000");
        blinkPhase_ = 1;
        return;
    }
    const HDC dc = ::GetDC(button);
    if (dc != nullptr) {
        RECT client = {};
        ::GetClientRect(button, &client);
        const HDC memory = ::CreateCompatibleDC(dc);
        ::SetBkMode(dc, TRANSPARENT);
        for (std::size_t k = 0; k < std::size(kBlinkFrames); ++k) {
            const auto frame =
                static_cast<HBITMAP>(::LoadImageW(instance_, MAKEINTRESOURCEW(kBlinkFrames[k]), IMAGE_BITMAP, 0, 0, 0));
            if (frame != nullptr && memory != nullptr) {
                BITMAP size = {};
                ::GetObjectW(frame, sizeof size, &size);
                const HGDIOBJ previous = ::SelectObject(memory, frame);
                ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
                ::SelectObject(memory, previous);
            }
            if (frame != nullptr) {
                ::DeleteObject(frame);
            }
            if (k + 1 < std::size(kBlinkFrames)) {
                ::Sleep(kBlinkFramePauseMs);
            }
        }
        if (memory != nullptr) {
            ::DeleteDC(memory);
        }
        ::ReleaseDC(button, dc);
    }
    blinkPhase_ = 0;
}

void CBrambleDlg::OnRefresh() {
    // Greyed at once, not only once the scan's thread gets to it: a second press that came in
    // meanwhile (F5 twice, a quick double click) must find it greyed.
    ::EnableWindow(Item(IDC_REFRESH), FALSE);
    CloseScanHandles();
    StartScan();
}

void CBrambleDlg::CreateCommandTip() {
    commandTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window(), nullptr,
                                    instance_, nullptr);
    // The command line and the entry's name: each shows what fits, its whole text as the tip.
    for (const int id : {IDC_DETAIL_COMMAND, IDC_DETAIL_NAME, IDC_DETAIL_LOCATION}) {
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window();
        tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(commandTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // A long command wraps in the tip instead of running off the screen.
    ::SendMessageW(commandTip_, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(600, dpi_));
}

void CBrambleDlg::ShowCommandLine(const std::wstring& command) {
    shownCommand_ = command;
    ShowFitted(IDC_DETAIL_COMMAND, command);
}

void CBrambleDlg::ShowName(const std::wstring& name) {
    shownName_ = name;
    ShowFitted(IDC_DETAIL_NAME, name);
}

std::size_t CBrambleDlg::ShownTab() const {
    const auto selected = ::SendMessageW(tabControl_, TCM_GETCURSEL, 0, 0);
    return selected >= 0 ? static_cast<std::size_t>(selected) : kCategoryCount;
}

void CBrambleDlg::RefitDetails() {
    ShowCommandLine(shownCommand_);
    ShowName(shownName_);
    ShowLocation(shownLocation_);
}

void CBrambleDlg::ShowLocation(const std::wstring& location) {
    shownLocation_ = location;
    ShowFitted(IDC_DETAIL_LOCATION, location);
}

void CBrambleDlg::ShowFitted(int id, const std::wstring& text) {
    const HWND control = Item(id);
    RECT area = {};
    ::GetClientRect(control, &area);
    std::wstring shown = text;
    if (const HDC dc = ::GetDC(control)) {
        const HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc, &metrics);
        if (metrics.tmHeight > 0 && area.bottom >= 2 * metrics.tmHeight) {
            // A control of several lines: what fits wrapped as the control wraps it.
            shown = FitWithEllipsis(text, area.bottom, [dc, &area](const std::wstring& piece) {
                RECT need = {0, 0, area.right, 0};
                ::DrawTextW(dc, piece.c_str(), static_cast<int>(piece.size()), &need,
                            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
                return static_cast<int>(need.bottom);
            });
        } else {
            shown = FitWithEllipsis(text, area.right - area.left, [dc](const std::wstring& piece) {
                SIZE size = {};
                ::GetTextExtentPoint32W(dc, piece.c_str(), static_cast<int>(piece.size()), &size);
                return static_cast<int>(size.cx);
            });
        }
        ::SelectObject(dc, previous);
        ::ReleaseDC(control, dc);
    }
    ::SetWindowTextW(control, shown.c_str());
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = window();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(commandTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CBrambleDlg::ShowUnreadableNote(std::size_t tab) {
    if (tab >= kCategoryCount || pages_[tab]->unreadable().empty()) {
        return;
    }
    const auto& places = pages_[tab]->unreadable();
    std::wstring all;
    for (const std::wstring& place : places) {
        all += (all.empty() ? L"" : L"；") + VisibleText(place);
    }
    ClearFileFacts(::LoadIconW(nullptr, IDI_WARNING));
    ShowName(L"无法读取 " + std::to_wstring(places.size()) + L" 处");
    ::SetDlgItemTextW(window(), IDC_LOCATION_LABEL, L"注意:");
    ShowLocation(L"扫描未能读取这些位置，其中的启动项可能未列出。");
    ShowCommandLine(L"!! 无法读取：" + all);
}

void CBrambleDlg::ShowEntryDetails(const AutoRunEntry& entry) {
    entryShown_ = true;
    progressShown_ = false;
    iconControl_ = Item(IDC_DETAIL_ICON);
    unique_hicon shellIcon;
    {
        const ComApartment apartment;
        SHFILEINFOW info = {};
        if (::SHGetFileInfoW(entry.imagePath.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SYSICONINDEX) != 0) {
            shellIcon.reset(info.hIcon);
        }
    }
    const HICON shown = shellIcon ? shellIcon.get() : ::LoadIconW(nullptr, IDI_WINLOGO);
    ::SendMessageW(iconControl_, STM_SETICON, reinterpret_cast<WPARAM>(shown), 0);
    // The icon shown before is released only once the control no longer shows it.
    detailsIcon_ = std::move(shellIcon);

    ::SetDlgItemTextW(window(), IDC_SIZE_LABEL, L"大小:");
    ::SetDlgItemTextW(window(), IDC_TIME_LABEL, L"时间:");
    ::SetDlgItemTextW(window(), IDC_VERSION_LABEL, L"版本:");
    ::SetDlgItemTextW(window(), IDC_LOCATION_LABEL, entry.locationKind == LocationFolder ? L"所在目录:" : L"所在键:");
    ::SetDlgItemTextW(window(), IDC_KB_LABEL, L"KB");
    ShowCommandLine(VisibleText(entry.commandLine));
    const auto tab = ShownTab();
    ShowName(DisplayName(entry, tab < kCategoryCount ? CategoryTable()[tab].page.columns : ColumnSet::Standard));
    ::SetDlgItemTextW(window(), IDC_DETAIL_DESCRIPTION, entry.description.c_str());
    ::SetDlgItemTextW(window(), IDC_DETAIL_COMPANY, entry.company.c_str());
    ShowLocation(DetailsLocationText(entry));
    ::SetDlgItemInt(window(), IDC_DETAIL_SIZE, static_cast<UINT>(entry.sizeKB), FALSE);
    ::SetDlgItemTextW(window(), IDC_DETAIL_VERSION, entry.fileVersion.c_str());
    ::SetDlgItemTextW(window(), IDC_DETAIL_TIME, entry.fileTime.c_str());
}

}  // namespace tarn
