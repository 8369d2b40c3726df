#pragma once
#include <array>

#include "guitars/GuitarScreenView.h"

// The Scale Guitar (screen 13): a strip along the screen cut into equal
// bands, one per note of the chosen scale in the chosen key from the key's
// root up to the guitar's highest sample; one note sounds at a time. A small
// piano keyboard picks the key, two arrows step through 32 named scales.
//
// Threads: UI thread only.
class ScaleGuitarView : public GuitarScreenView {
public:
    static constexpr int kNumScales = 32;
    static constexpr int kNumKeys = 12;
    static constexpr int kMaxScaleNotes = 50;
    static constexpr int kHighestSample = 47;

    struct ScaleData {
        const char* intervals; // semitones to the next note, adding up to 12
        const char* name;
    };
    static const std::array<ScaleData, kNumScales> SCALE_DATA;
    static const std::array<const char*, kNumKeys> KEYNAMES;
    static const std::array<const char*, 12> INTERVALS;
    static const std::array<const char*, 48> NOTENAMES;

    // parent may be null (tests); soundEngine must outlive the screen.
    ScaleGuitarView(ScreenHost* parent, SoundEngine* soundEngine);
    ~ScaleGuitarView() override;

    void redraw() override;

    // The key under a point of the keyboard: 0 (C) .. 11 (B), -1 between
    // black keys.
    static int getKeyForCoord(Point p);
    // The sample number of the strip's band under a point (its y only).
    int getScalePress(Point p) const;
    void calculateScale();
    void liftAllFingerPresses() override;
    void redrawOnKeyChange();

    // The key and scale shown.
    void setCurrentKey(int key);
    void setCurrentScale(int scale);
    int currentKey() const { return currentKey_; }
    int currentScale() const { return currentScale_; }
    int scaleNumNotes() const { return scaleNumNotes_; }
    int scaleNoteOffset(int index) const { return scaleNoteOffset_[index]; }
    int currentPlayingSampleNo() const { return currentPlayingSampleNo_; }
    int currentPlayingPlaylistNo() const { return currentPlayingPlaylistNo_; }
    const Label& scaleNameLabel() const { return scaleNameLabel_; }
    const Label& scaleIntervalLabel() const { return scaleIntervalLabel_; }
    const Label& currentNoteLabel() const { return currentNoteLabel_; }
    const Label& currentKeyLabel() const { return currentKeyLabel_; }

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    std::optional<Point> keyFingerPoint(const KeyEvent& event) const override;

private:
    static bool inKeySelector(Point p) { return p.x > 63 && p.x < 136 && p.y > 194; }
    static bool inPlayStrip(Point p) { return p.x > 136 && p.x < 198; }
    void stopCurrentNote();
    void playStripNote(int sampleNo);
    void selectKeyAt(Point p);

    Label scaleNameLabel_;
    Label scaleIntervalLabel_;
    Label currentNoteLabel_;
    Label currentKeyLabel_;
    int currentKey_ = 0;
    int currentScale_ = 0;
    std::array<int, kMaxScaleNotes> scaleNoteOffset_{};
    int scaleNumNotes_ = 0;
    int currentPlayingSampleNo_ = -1;
    int currentPlayingPlaylistNo_ = -1;
};
