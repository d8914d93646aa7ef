// The result pane: a read-only text view that lays out only the lines on screen, so that a search that
// appends a hundred thousand lines, or a listed catalog of a hundred megabytes, shows at once. One text
// buffer with an index of its line starts; scrolling, mouse and keyboard selection, and copying in the
// ANSI code page. It answers WM_GETTEXT, WM_GETTEXTLENGTH and WM_SETTEXT as an edit control does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

class TResultView {
public:
    static constexpr char kClassName[] = "MirolanResultView";
    // Answers the number of times the view has painted itself: the end-to-end driver and the window
    // benchmark see from outside how often the pane redraws during a search.
    static constexpr UINT kGetPaintCount = WM_APP + 0x51;

    // Creates the view as a child of `parent`.
    TResultView(HWND parent, int id, const RECT& bounds);
    TResultView(const TResultView&) = delete;
    TResultView& operator=(const TResultView&) = delete;

    HWND Handle() const { return handle; }
    const std::string& Text() const { return text; }
    void SetText(std::string replacement);
    void Clear() { SetText({}); }
    // Adds the line and a CR LF; a line that holds line breaks shows as several. Nothing is laid out or
    // painted until Refresh, so a run of appends costs no more than the copies.
    void AppendLine(std::string_view line);
    // Indexes what was appended, sets the scroll bars and repaints. A view scrolled to its end follows
    // the end, as a terminal does; one that the user scrolled up stays where it is.
    void Refresh();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    std::size_t LineCount() const { return lineStarts.size(); }
    std::string_view Line(std::size_t index) const;
    void IndexLines();
    void MeasureFont();
    int VisibleLines() const;
    int ClientWidth() const;
    void UpdateScrollBars();
    void ScrollTo(std::size_t top, int left);
    void Scroll(int bar, int request);
    void Paint(HDC target);

    // Positions: byte offsets into the text.
    std::size_t LineOf(std::size_t offset) const;
    std::size_t OffsetAt(int x, int y) const;
    POINT PointOf(std::size_t offset) const;
    int TextWidth(std::string_view line) const;
    void MoveCaret(std::size_t offset, bool extend);
    void ShowCaretWhereItIs();
    void KeyDown(WPARAM key);
    void CopySelection() const;
    void SelectAll();
    void SelectLine(std::size_t offset);

    HWND handle = nullptr;
    HFONT font = nullptr;
    int lineHeight = 13;
    int averageCharWidth = 6;
    std::string text;
    std::vector<std::size_t> lineStarts{0};
    std::size_t indexed = 0;     // the text is indexed up to here
    std::size_t longestLine = 0; // in bytes, for the horizontal range
    std::size_t shownLines = 1;  // the line count at the last refresh
    std::size_t topLine = 0;
    int leftPixel = 0;
    std::size_t anchor = 0; // the selection runs from the anchor to the caret
    std::size_t caret = 0;
    bool dragging = false;
    bool focused = false;
    long paintCount = 0;
};
