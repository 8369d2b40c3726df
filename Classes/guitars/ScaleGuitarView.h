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

    // The play strip as drawn over the picture: a line between each two
    // bands (stronger before each root of the key), the band being played lit
    // and a marker where the finger is.
    class StripLook : public View {
    public:
        StripLook();
        // notesPerOctave: the scale's length, so that the roots stand out.
        void setBands(int count, int notesPerOctave);
        // The band lit and the finger's y (-1: no finger on the strip).
        void setFinger(int band, float y);
        int bands() const { return bands_; }
        int litBand() const { return litBand_; }
        // Where band i begins along the strip (i = bands(): its end).
        float bandStart(int band) const;
        void draw(Graphics& g) override;

    private:
        int bands_ = 0;
        int perOctave_ = 1;
        int litBand_ = -1;
        float fingerY_ = -1;
    };
    // How long the strip's end flashes when a key asks for a note past it.
    static constexpr double kEndFlashSeconds = 0.5;

    // parent may be null (tests); soundEngine must outlive the screen.
    ScaleGuitarView(ScreenHost* parent, Performer* performer);
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
    const StripLook& strip() const { return strip_; }
    // Over the chosen key of the small keyboard.
    const View& keyLight() const { return keyLight_; }
    // Lit for a moment when a key asks for a note past the last band.
    const View& stripEndFlash() const { return endFlash_; }

    // A key past the strip's last band answers with a flash of its end.
    bool keyDown(const KeyEvent& event) override;

protected:
    void fingerDown(const Touch& touch) override;
    void fingerMove(const Touch& touch) override;
    void fingerUp(const Touch& touch) override;
    std::optional<Point> keyFingerPoint(const KeyEvent& event) const override;
    // MIDI's highest held note of the scale lights its band while no finger
    // is on the strip.
    void lightMidiSamples(uint64_t samples) override;

private:
    static bool inKeySelector(Point p) { return p.x > 63 && p.x < 136 && p.y > 194; }
    static bool inPlayStrip(Point p) { return p.x > 136 && p.x < 198; }
    void stopCurrentNote();
    void playStripNote(int sampleNo);
    void selectKeyAt(Point p);
    // The band of the strip under a point (its y), as getScalePress finds it.
    int bandAt(Point p) const;
    void showFinger(Point p);
    void hideFinger();
    // The band of MIDI's highest held note of the scale, or -1.
    int midiBand() const;

    Label scaleNameLabel_;
    Label scaleIntervalLabel_;
    Label currentNoteLabel_;
    Label currentKeyLabel_;
    StripLook strip_;
    View keyLight_;
    View endFlash_;
    int currentKey_ = 0;
    int currentScale_ = 0;
    std::array<int, kMaxScaleNotes> scaleNoteOffset_{};
    int scaleNumNotes_ = 0;
    int currentPlayingSampleNo_ = -1;
    int currentPlayingPlaylistNo_ = -1;
};
