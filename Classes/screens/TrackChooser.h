#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/FingerView.h"

class ImageView;
class Label;
class MessageBoxKeys;

// A message box that asks which of a file's tracks to import: a question
// over a list of choices, one a row, and Cancel under them. A finger on a
// row answers with its number; with more choices than rows, the last row
// ("More...") turns to the next page. While it is up it is a modal layer of
// the screen: nothing under it takes a finger. Escape answers Cancel.
//
// Threads: UI thread only.
class TrackChooser {
public:
    static constexpr int kRows = 5;
    static constexpr const char* kMoreText = "More...";
    // What a finger down on the box does: a row, or Cancel.
    enum class Control { Row0, Cancel = Row0 + kRows };

    // The views go on top of `screen` (which must outlive the chooser), the
    // box centred on `boxCentre`.
    TrackChooser(FingerView& screen, Point boxCentre);
    ~TrackChooser();

    // Shows `question` over `choices`; `answer` gets the index of the choice
    // taken, or -1 for Cancel, once the box is gone.
    void show(const std::string& question, std::vector<std::string> choices, std::function<void(int)> answer);
    void cancel() { answer(-1); }
    bool showing() const { return showing_; }

    // Where a finger finds a row (0 ... kRows - 1) or Cancel.
    Rect areaOf(Control control) const;
    // For the drawing and the tests.
    const Label& question() const { return *question_; }
    const Label& row(int r) const { return *rows_[r]; }
    int page() const { return page_; }

private:
    void fingerDown(Point p);
    void answer(int choice);
    void draw();
    // Choices a page shows: all rows, or one fewer for "More..." when they do not fit.
    int perPage() const;

    FingerView& screen_;
    Point centre_;
    FingerView::FingerDownLayer layer_{[this](const Touch& touch) { fingerDown(touch.location); }};
    std::vector<std::string> choices_;
    std::function<void(int)> answer_;
    bool showing_ = false;
    int page_ = 0;

    std::unique_ptr<ImageView> box_;
    std::unique_ptr<Label> question_;
    std::unique_ptr<Label> rows_[kRows];
    std::unique_ptr<ImageView> cancel_;
    std::unique_ptr<MessageBoxKeys> keys_;
};
