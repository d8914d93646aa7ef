#include "app/result_view.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int kMargin = 2;              // pixels between the frame and the text
constexpr std::size_t kMeasured = 4096; // characters of a line that take part in its width
constexpr int kCopyCommand = 1;
constexpr int kSelectAllCommand = 2;

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool KeyHeld(int key) {
    return GetKeyState(key) < 0;
}

// A device context of the view with its font, for measuring outside a paint.
class TMeasureContext {
public:
    TMeasureContext(HWND window, HFONT font) : window(window), dc(GetDC(window)) {
        old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    }
    ~TMeasureContext() {
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    TMeasureContext(const TMeasureContext&) = delete;
    TMeasureContext& operator=(const TMeasureContext&) = delete;
    HDC Get() const { return dc; }

private:
    HWND window;
    HDC dc;
    HGDIOBJ old;
};

int Extent(HDC dc, std::string_view part) {
    SIZE size{};
    GetTextExtentPoint32A(dc, part.data(), static_cast<int>(std::min(part.size(), kMeasured)), &size);
    return size.cx;
}

// How many leading characters of `line` lie wholly within `width` pixels.
std::size_t Fitting(HDC dc, std::string_view line, int width) {
    INT fit = 0;
    SIZE size{};
    const int count = static_cast<int>(std::min(line.size(), kMeasured));
    GetTextExtentExPointA(dc, line.data(), count, std::max(width, 0), &fit, nullptr, &size);
    return static_cast<std::size_t>(fit);
}

} // namespace

TResultView::TResultView(HWND parent, int id, const RECT& bounds) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)); // IDC_IBEAM
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("Cannot register the result pane");
    }
    CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "",
                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS,
                    bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (!handle) {
        throw std::runtime_error("Cannot create the result pane");
    }
    MeasureFont();
    UpdateScrollBars();
}

void TResultView::SetText(std::string replacement) {
    text = std::move(replacement);
    lineStarts.assign(1, 0);
    indexed = 0;
    longestLine = 0;
    IndexLines();
    shownLines = LineCount();
    topLine = 0;
    leftPixel = 0;
    anchor = caret = 0;
    UpdateScrollBars();
    InvalidateRect(handle, nullptr, FALSE);
    ShowCaretWhereItIs();
}

void TResultView::AppendLine(std::string_view line) {
    text.append(line).append("\r\n");
}

void TResultView::Refresh() {
    if (indexed == text.size()) {
        return;
    }
    const bool atEnd = topLine + static_cast<std::size_t>(VisibleLines()) >= shownLines;
    IndexLines();
    shownLines = LineCount();
    const auto visible = static_cast<std::size_t>(VisibleLines());
    if (atEnd && shownLines > visible) {
        topLine = shownLines - visible;
    }
    UpdateScrollBars();
    InvalidateRect(handle, nullptr, FALSE);
    ShowCaretWhereItIs();
    UpdateWindow(handle);
}

std::string_view TResultView::Line(std::size_t index) const {
    const std::size_t start = lineStarts[index];
    if (index + 1 == LineCount()) {
        return std::string_view(text).substr(start); // the last line has no break after it
    }
    std::size_t end = lineStarts[index + 1];
    if (text[end - 1] == '\n') {
        --end;
    }
    if (end > start && text[end - 1] == '\r') {
        --end;
    }
    return std::string_view(text).substr(start, end - start);
}

// A CR LF pair, a lone CR and a lone LF each end a line, as the search's line cut counts them.
void TResultView::IndexLines() {
    const char* data = text.data();
    const std::size_t size = text.size();
    std::size_t at = indexed;
    while (at < size) {
        if (!IsLineBreak(data[at])) {
            ++at;
            continue;
        }
        longestLine = std::max(longestLine, at - lineStarts.back());
        at += data[at] == '\r' && at + 1 < size && data[at + 1] == '\n' ? 2 : 1;
        lineStarts.push_back(at);
    }
    longestLine = std::max(longestLine, size - lineStarts.back());
    indexed = size;
}

void TResultView::MeasureFont() {
    const TMeasureContext dc(handle, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Get(), &metrics);
    lineHeight = std::max(1, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading));
    averageCharWidth = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
}

int TResultView::VisibleLines() const {
    RECT client;
    GetClientRect(handle, &client);
    return std::max(1, static_cast<int>(client.bottom) / lineHeight);
}

int TResultView::ClientWidth() const {
    RECT client;
    GetClientRect(handle, &client);
    return static_cast<int>(client.right);
}

void TResultView::UpdateScrollBars() {
    const auto visible = static_cast<std::size_t>(VisibleLines());
    const std::size_t lastTop = LineCount() > visible ? LineCount() - visible : 0;
    topLine = std::min(topLine, lastTop);
    // The widest line is estimated from the longest one: measuring every line would cost a pass.
    const int width = static_cast<int>(std::min<std::size_t>(longestLine + 4, 1 << 20)) * averageCharWidth;
    leftPixel = std::clamp(leftPixel, 0, std::max(0, width - ClientWidth()));

    SCROLLINFO vertical{};
    vertical.cbSize = sizeof vertical;
    vertical.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    vertical.nMax = static_cast<int>(std::min<std::size_t>(LineCount(), INT_MAX) - 1);
    vertical.nPage = static_cast<UINT>(visible);
    vertical.nPos = static_cast<int>(topLine);
    SetScrollInfo(handle, SB_VERT, &vertical, TRUE);
    SCROLLINFO horizontal = vertical;
    horizontal.nMax = width;
    horizontal.nPage = static_cast<UINT>(std::max(ClientWidth(), 1));
    horizontal.nPos = leftPixel;
    SetScrollInfo(handle, SB_HORZ, &horizontal, TRUE);
}

void TResultView::ScrollTo(std::size_t top, int left) {
    topLine = top;
    leftPixel = left;
    UpdateScrollBars();
    InvalidateRect(handle, nullptr, FALSE);
    ShowCaretWhereItIs();
}

void TResultView::Scroll(int bar, int request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(handle, bar, &info);
    const bool vertical = bar == SB_VERT;
    const long long line = vertical ? 1 : averageCharWidth * 4;
    const long long page = std::max<long long>(1, static_cast<long long>(info.nPage) - (vertical ? 1 : 0));
    long long position = vertical ? static_cast<long long>(topLine) : leftPixel;
    switch (request) {
    case SB_LINEUP:
        position -= line;
        break;
    case SB_LINEDOWN:
        position += line;
        break;
    case SB_PAGEUP:
        position -= page;
        break;
    case SB_PAGEDOWN:
        position += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        position = info.nTrackPos; // 32 bits, unlike the message's own
        break;
    case SB_TOP:
        position = 0;
        break;
    case SB_BOTTOM:
        position = info.nMax;
        break;
    default:
        return;
    }
    position = std::max<long long>(position, 0);
    if (vertical) {
        ScrollTo(static_cast<std::size_t>(position), leftPixel);
    } else {
        ScrollTo(topLine, static_cast<int>(std::min<long long>(position, INT_MAX)));
    }
}

void TResultView::Paint(HDC target) {
    RECT client;
    GetClientRect(handle, &client);
    // Drawn off screen and copied at once, so that a pane repainted many times a second does not flicker.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, std::max(1L, client.right), std::max(1L, client.bottom));
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);

    const std::size_t selectionStart = std::min(anchor, caret);
    const std::size_t selectionEnd = std::max(anchor, caret);
    const COLORREF selectionBack = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    const COLORREF selectionText = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    const int width = static_cast<int>(client.right);
    const int x = kMargin - leftPixel;
    for (int row = 0; row * lineHeight < client.bottom; ++row) {
        const std::size_t index = topLine + static_cast<std::size_t>(row);
        if (index >= LineCount()) {
            break;
        }
        const std::string_view line = Line(index);
        const int y = row * lineHeight;
        // Only as much of a long line as reaches the right edge.
        const std::size_t drawn = std::min(line.size(), Fitting(dc, line, leftPixel + width) + 1);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        TextOutA(dc, x, y, line.data(), static_cast<int>(drawn));

        const std::size_t start = lineStarts[index];
        const std::size_t from = std::clamp(selectionStart, start, start + line.size()) - start;
        const std::size_t to = std::clamp(selectionEnd, start, start + line.size()) - start;
        const bool breakSelected =
            selectionStart <= start + line.size() && selectionEnd > start + line.size();
        if (to > from || breakSelected) {
            const int left = x + Extent(dc, line.substr(0, from));
            const int right =
                x + Extent(dc, line.substr(0, std::min(to, drawn))) + (breakSelected ? averageCharWidth : 0);
            RECT band = {left, y, std::max(left, right), y + lineHeight};
            SetBkColor(dc, selectionBack);
            SetTextColor(dc, selectionText);
            const std::string_view selected = line.substr(from, std::min(to, drawn) - std::min(from, drawn));
            ExtTextOutA(dc, left, y, ETO_OPAQUE | ETO_CLIPPED, &band, selected.data(),
                        static_cast<UINT>(selected.size()), nullptr);
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ++paintCount;
}

std::size_t TResultView::LineOf(std::size_t offset) const {
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    return static_cast<std::size_t>(after - lineStarts.begin()) - 1;
}

std::size_t TResultView::OffsetAt(int x, int y) const {
    const long long row = y < 0 ? -1 - (-1 - y) / lineHeight : y / lineHeight;
    const long long wanted = static_cast<long long>(topLine) + row;
    const auto index = static_cast<std::size_t>(std::clamp<long long>(wanted, 0, LineCount() - 1));
    const std::string_view line = Line(index);
    const TMeasureContext dc(handle, font);
    const int target = x - kMargin + leftPixel;
    std::size_t column = Fitting(dc.Get(), line, target);
    // Past the middle of the next character, the caret goes after it.
    if (column < line.size() && column < kMeasured) {
        const int before = Extent(dc.Get(), line.substr(0, column));
        const int after = Extent(dc.Get(), line.substr(0, column + 1));
        column += target - before > (after - before) / 2 ? 1 : 0;
    }
    return lineStarts[index] + column;
}

POINT TResultView::PointOf(std::size_t offset) const {
    const std::size_t index = LineOf(offset);
    const std::string_view line = Line(index);
    const std::size_t column = std::min(offset - lineStarts[index], line.size());
    const TMeasureContext dc(handle, font);
    const long long row = static_cast<long long>(index) - static_cast<long long>(topLine);
    return {kMargin - leftPixel + Extent(dc.Get(), line.substr(0, column)),
            static_cast<LONG>(std::clamp<long long>(row * lineHeight, -32000, 32000))};
}

int TResultView::TextWidth(std::string_view line) const {
    const TMeasureContext dc(handle, font);
    return Extent(dc.Get(), line);
}

// Moves the caret (and the anchor unless the selection is extended) and scrolls it into sight.
void TResultView::MoveCaret(std::size_t offset, bool extend) {
    caret = std::min(offset, text.size());
    if (!extend) {
        anchor = caret;
    }
    const std::size_t index = LineOf(caret);
    const auto visible = static_cast<std::size_t>(VisibleLines());
    std::size_t top = topLine;
    if (index < top) {
        top = index;
    } else if (index >= top + visible) {
        top = index - visible + 1;
    }
    const std::string_view line = Line(index);
    const int column = TextWidth(line.substr(0, std::min(caret - lineStarts[index], line.size())));
    int left = leftPixel;
    const int width = ClientWidth() - 2 * kMargin;
    if (column < left) {
        left = std::max(0, column - width / 3);
    } else if (column > left + width) {
        left = column - width + width / 3;
    }
    ScrollTo(top, left);
}

void TResultView::ShowCaretWhereItIs() {
    if (focused) {
        const POINT at = PointOf(caret);
        SetCaretPos(at.x, at.y);
    }
}

void TResultView::SelectAll() {
    anchor = 0;
    MoveCaret(text.size(), true);
}

void TResultView::SelectLine(std::size_t offset) {
    const std::size_t index = LineOf(offset);
    anchor = lineStarts[index];
    MoveCaret(lineStarts[index] + Line(index).size(), true);
}

void TResultView::KeyDown(WPARAM key) {
    const bool extend = KeyHeld(VK_SHIFT);
    const bool control = KeyHeld(VK_CONTROL);
    const std::size_t index = LineOf(caret);
    const std::size_t lineEnd = lineStarts[index] + Line(index).size();
    const auto page = static_cast<std::size_t>(std::max(1, VisibleLines() - 1));
    const POINT at = PointOf(caret);
    // The caret keeps its horizontal place when it moves from line to line.
    const auto lineAt = [&](std::size_t target) {
        const long long rows = static_cast<long long>(target) - static_cast<long long>(topLine);
        return OffsetAt(at.x, static_cast<int>(std::clamp<long long>(rows * lineHeight, -1000000, 1000000)));
    };
    switch (key) {
    case 'A':
        if (control) {
            SelectAll();
        }
        break;
    case 'C':
    case VK_INSERT:
        if (control) {
            CopySelection();
        }
        break;
    case VK_LEFT:
        MoveCaret(caret == lineStarts[index]
                      ? (index > 0 ? lineStarts[index - 1] + Line(index - 1).size() : 0)
                      : caret - 1,
                  extend);
        break;
    case VK_RIGHT:
        MoveCaret(caret >= lineEnd ? (index + 1 < LineCount() ? lineStarts[index + 1] : caret) : caret + 1,
                  extend);
        break;
    case VK_UP:
        MoveCaret(index > 0 ? lineAt(index - 1) : caret, extend);
        break;
    case VK_DOWN:
        MoveCaret(index + 1 < LineCount() ? lineAt(index + 1) : caret, extend);
        break;
    case VK_PRIOR:
        topLine = topLine > page ? topLine - page : 0;
        MoveCaret(lineAt(index > page ? index - page : 0), extend);
        break;
    case VK_NEXT:
        topLine = std::min(topLine + page, LineCount() - 1);
        MoveCaret(lineAt(std::min(index + page, LineCount() - 1)), extend);
        break;
    case VK_HOME:
        MoveCaret(control ? 0 : lineStarts[index], extend);
        break;
    case VK_END:
        MoveCaret(control ? text.size() : lineEnd, extend);
        break;
    default:
        break;
    }
}

// The selection goes to the clipboard as the ANSI text it is, and as Unicode converted from the ANSI
// code page, so that a program that asks for Unicode gets the same letters whatever the keyboard.
void TResultView::CopySelection() const {
    const std::size_t from = std::min(anchor, caret);
    const std::string_view selected = std::string_view(text).substr(from, std::max(anchor, caret) - from);
    if (selected.empty() || !OpenClipboard(handle)) {
        return;
    }
    EmptyClipboard();
    if (HGLOBAL ansi = GlobalAlloc(GMEM_MOVEABLE, selected.size() + 1)) {
        char* copy = static_cast<char*>(GlobalLock(ansi));
        std::memcpy(copy, selected.data(), selected.size());
        copy[selected.size()] = '\0';
        GlobalUnlock(ansi);
        if (!SetClipboardData(CF_TEXT, ansi)) {
            GlobalFree(ansi);
        }
    }
    const int size = static_cast<int>(std::min<std::size_t>(selected.size(), INT_MAX - 1));
    const int wideSize = MultiByteToWideChar(CP_ACP, 0, selected.data(), size, nullptr, 0);
    if (HGLOBAL wide =
            GlobalAlloc(GMEM_MOVEABLE, (static_cast<std::size_t>(wideSize) + 1) * sizeof(wchar_t))) {
        auto* copy = static_cast<wchar_t*>(GlobalLock(wide));
        MultiByteToWideChar(CP_ACP, 0, selected.data(), size, copy, wideSize);
        copy[wideSize] = L'\0';
        GlobalUnlock(wide);
        if (!SetClipboardData(CF_UNICODETEXT, wide)) {
            GlobalFree(wide);
        }
    }
    CloseClipboard();
}

LRESULT CALLBACK TResultView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* view = static_cast<TResultView*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        view->handle = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    auto* view = reinterpret_cast<TResultView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    return view ? view->HandleMessage(message, wParam, lParam)
                : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT TResultView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        SetText(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return TRUE;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(text.size());
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) {
            return 0;
        }
        const std::size_t count = std::min(text.size(), static_cast<std::size_t>(wParam) - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), text.data(), count);
        reinterpret_cast<char*>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_SETFONT:
        font = reinterpret_cast<HFONT>(wParam);
        MeasureFont();
        UpdateScrollBars();
        if (lParam) {
            InvalidateRect(handle, nullptr, FALSE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case kGetPaintCount:
        return paintCount;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(handle, &paint);
        Paint(dc);
        EndPaint(handle, &paint);
        return 0;
    }
    case WM_SIZE:
        UpdateScrollBars();
        InvalidateRect(handle, nullptr, FALSE);
        return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        UINT lines = 3;
        SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const long long step =
            static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA * static_cast<long long>(lines);
        ScrollTo(static_cast<std::size_t>(std::max<long long>(0, static_cast<long long>(topLine) - step)),
                 leftPixel);
        return 0;
    }
    case WM_SETFOCUS:
        focused = true;
        CreateCaret(handle, nullptr, 1, lineHeight);
        ShowCaretWhereItIs();
        ShowCaret(handle);
        InvalidateRect(handle, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        focused = false;
        DestroyCaret();
        InvalidateRect(handle, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(handle);
        SetCapture(handle);
        dragging = true;
        MoveCaret(OffsetAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))),
                  (wParam & MK_SHIFT) != 0);
        return 0;
    case WM_MOUSEMOVE:
        if (dragging) {
            MoveCaret(OffsetAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))), true);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging) {
            dragging = false;
            ReleaseCapture();
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        SelectLine(OffsetAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))));
        return 0;
    case WM_KEYDOWN:
        KeyDown(wParam);
        return 0;
    case WM_CHAR:
        return 0; // read-only: no character is taken, and none beeps
    case WM_COPY:
        CopySelection();
        return 0;
    case WM_CONTEXTMENU: {
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (lParam == -1) {
            at = PointOf(caret);
            ClientToScreen(handle, &at);
        }
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING | (anchor == caret ? MF_GRAYED : 0), kCopyCommand, "&Copy\tCtrl+C");
        AppendMenuA(menu, MF_STRING | (text.empty() ? MF_GRAYED : 0), kSelectAllCommand,
                    "Select &All\tCtrl+A");
        const int chosen = static_cast<int>(
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, handle, nullptr));
        DestroyMenu(menu);
        if (chosen == kCopyCommand) {
            CopySelection();
        } else if (chosen == kSelectAllCommand) {
            SelectAll();
        }
        return 0;
    }
    default:
        return DefWindowProcA(handle, message, wParam, lParam);
    }
}
