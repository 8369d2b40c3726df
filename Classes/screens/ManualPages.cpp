#include "screens/ManualPages.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <utility>

#include "ui/PracticeKeys.h"
#include "ui/ScreenCatalog.h"

const char* const ManualPages::kDashes = "--------------------------------\n";

// The keys that steer the desktop's virtual tilt (the platform's accelerometer
// stand-in): the phone leans while they are held and levels when let go.
const char* const ManualPages::kDesktopTiltKeys = "Shift and the arrow keys (or the keypad's 8, 2, 4 and 6)";

namespace {

std::string titled(const std::string& title, const std::string& body) {
    return title + "\n" + ManualPages::kDashes + body;
}

std::string newlines(int count) {
    return std::string(static_cast<size_t>(count), '\n');
}

// The topics of the contents that are no screen's; the screens' own come from
// the catalog.
const char* const kOtherTopics[] = {"Introduction", "String Bending", "Whammy Bar",      "Latency",
                                    "Credits",      "MIDI and Sound", "Importing Scores"};

// The first contents page holds as many entries as the manual shows on one.
constexpr size_t kFirstContentsEntries = 12;

// The page whose heading is `topic` in capitals, or -1.
int pageHeaded(const std::vector<std::string>& pages, std::string topic) {
    std::ranges::transform(topic, topic.begin(), [](unsigned char c) { return std::toupper(c); });
    const std::string heading = titled(topic, "");
    for (size_t i = 0; i < pages.size(); ++i)
        if (pages[i].starts_with(heading))
            return static_cast<int>(i);
    return -1;
}

// The two contents pages: every topic, in page order.
std::pair<std::string, std::string> contentsPages(const std::vector<std::string>& pages) {
    std::vector<std::pair<int, std::string>> entries;
    for (const char* topic : kOtherTopics)
        entries.emplace_back(pageHeaded(pages, topic), topic);
    for (const ScreenInfo& screen : ScreenCatalog::all())
        if (screen.manualTopic)
            entries.emplace_back(pageHeaded(pages, screen.manualTopic), screen.manualTopic);
    std::ranges::sort(entries);
    std::string first = titled("TABLE OF CONTENTS", ""), second = first;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& [page, topic] = entries[i];
        // The entries before the effect pedals' are indented, as the manual
        // has always printed them.
        (i < kFirstContentsEntries ? first : second) +=
            "Page " + std::string(page < 8 ? "  " : "") + std::to_string(page) + " - " + topic + "\n";
    }
    return {first + newlines(6), second + newlines(12)};
}

// What a playing screen's keys do, from the catalog.
std::string keysOf(int screenNo) {
    return ScreenCatalog::find(screenNo)->keys;
}

// Shared by the Manual Fret guitar and the Hammer-On guitar, which both carry
// the fewer/more frets buttons in their Plectrum menu.
std::string fretCountPage() {
    return "\nLESS FRETS AND MORE FRETS\n\n"
           "The two large buttons in the middle of the Plectrum menu change how many frets the "
           "fretboard shows, from three to ten.\n\n"
           "Touch 'Less Frets' to show fewer, wider frets: they are easier to hit, which helps "
           "while you learn a part or play fast runs in one position.\n\n"
           "Touch 'More Frets' to show more, narrower frets, so that chords and scales that "
           "stretch along the neck fit on the screen at once.\n\n"
           "The Manual Fret and Hammer-On guitars share this setting, and Strumwell remembers "
           "it the next time you start. Use the arrows at the left-hand end of the fretboard to "
           "move up and down the neck.\n\n\n\n\n";
}

} // namespace

std::vector<std::string> ManualPages::create() {
    const std::string tiltKeys = kDesktopTiltKeys;

    std::vector<std::string> pages;
    pages.reserve(kNumPages);

    // 0: the title page has a label of its own.
    pages.push_back("");

    // 1, 2: contents, written once every page they list is in place.
    pages.emplace_back();
    pages.emplace_back();

    // 3: Introduction.
    pages.push_back(titled(
        "INTRODUCTION", "Welcome to Strumwell, a guitar you carry in your pocket.\n\n"
                        "Strumwell plays real recorded guitar notes: two acoustic and three electric sounds. "
                        "You can fret and pluck like on a real guitar, hammer notes on, strum chords from "
                        "tablature you wrote yourself, or run up and down scales in any key.\n\n"
                        "Two guitars are always ready, each with its own sound, volume, sustain and chain of "
                        "effects: wah-wah, fuzz and delay. Bend strings with your fingers, tilt the phone to "
                        "work a whammy bar, and record your playing in layers, one part over another.\n\n"
                        "Strumwell is for anyone who plays or wants to: try out an idea away from your "
                        "guitar, practise scales, sketch a song, or just have fun.\n\n\n\n"));

    // 4: the touch interfaces and the help icon.
    pages.push_back("\nStrumwell is played by touch, with several fingers at once, and the phone is held "
                    "sideways.\n\n"
                    "Every screen has a help button that opens this manual at its page. On the menus and "
                    "setup screens it is the '?' in the top right corner (the top left corner takes you "
                    "back). On the guitars, touch the plectrum in the bottom left corner, then the help "
                    "button at the right-hand end of the bar along the top.\n\n"
                    "Here, the arrow at the top right turns the page and the top left corner turns back. "
                    "The buttons along the top show the contents, return you to your screen, or visit "
                    "our web site.\n\n"
                    "On a desktop computer the mouse is one finger, and on the guitars some keys act as "
                    "extra fingers: each guitar's page says which. Return, Escape or Space answer a "
                    "message. F11 switches full screen on and off.\n\n\n");

    // 5: Main Menu.
    pages.push_back(
        titled("MAIN MENU",
               "The main menu is where Strumwell starts. It has three choices:\n\n"
               "PLAY GUITAR opens the guitar menu, where you pick one of the four ways to play: "
               "the Manual Fret guitar, the Hammer-On guitar, the Tab Guitar or the Scale Guitar.\n\n"
               "SETUP opens the setup menu: the effect pedals, the guitar sounds and volumes, and "
               "the string bend and whammy bar settings.\n\n"
               "RECORDER opens the recorder, where you tidy up what you recorded and save your songs "
               "or load them again.\n\n"
               "Touch the '?' in the top right corner to open this manual at its title page.\n\n\n\n\n"));

    // 6: Setup Menu.
    pages.push_back(
        titled("SETUP MENU",
               "The setup menu leads to the settings of both guitars:\n\n"
               "EFFECTS opens the effects menu: choose a guitar and one of its three pedals, "
               "the delay, the fuzz or the wah-wah.\n\n"
               "PATCH SETUP chooses the sound (patch) of each guitar and sets its volume and "
               "sustain.\n\n"
               "APP SETUP chooses which guitars can bend strings and which follow the whammy bar.\n\n"
               "Every setting is kept when you leave Strumwell, and it is also saved inside every song "
               "you save, so a song always comes back with the sounds it was made with.\n\n\n\n"));

    // 7: Effects Setup.
    pages.push_back(
        titled("EFFECTS SETUP",
               "Strumwell has two guitars, Guitar 1 and Guitar 2, and each has its own chain of "
               "effects: first the wah-wah, then the fuzz, then the delay. On the effects menu, the "
               "top row holds Guitar 1's three pedals and the bottom row Guitar 2's; touch a pedal "
               "to set it up for that guitar.\n\n"
               "A recording keeps the notes you played, not the sound. The patch, volume, sustain "
               "and the pedal settings are applied when the song plays back, so you can change them "
               "afterwards and hear the whole song with the new sound.\n\n"
               "What is fixed once recorded: the notes themselves, your string bends, and the "
               "movements of the whammy bar and the wah pedal. Those you can only erase on the "
               "recorder screen and record again.\n\n\n\n\n"));

    // 8: Delay.
    pages.push_back(
        titled("DELAY EFFECT SETUP",
               "The delay pedal repeats what you play as echoes.\n\n"
               "Stamp on the big foot switch to turn the pedal on or off; the LED lights while it is "
               "on. Turn the knobs by dragging a finger around them:\n"
               "MIX sets how loud the echoes are against the notes you play.\n"
               "FEEDBACK sets how much of each echo comes back again: low for one echo, high for a "
               "long trail.\n"
               "TIME sets the gap between echoes, up to about one second; the display shows it in "
               "milliseconds. Or tap the TAP button in time with the music: the delay follows the "
               "average gap between taps less than a second apart.\n"
               "PING-PONG makes the echoes bounce between left and right; its light shows it is on.\n\n"
               "Hold the test button to hear a note, and use the arrow to step to the next pedal. "
               "Turning the pedal on or changing the time clears the old echoes.\n\n\n"));

    // 9: Fuzz.
    pages.push_back(
        titled("FUZZ EFFECT SETUP",
               "The fuzz pedal clips the tops off the sound waves, for a rough, distorted tone.\n\n"
               "Stamp on the foot switch to turn the pedal on or off; the LED lights while it is "
               "on.\n\n"
               "Drag a finger around the dial to set how hard the fuzz bites. Turn it down for a "
               "gentle crunch that only the loudest notes reach; turn it up for heavy clipping on "
               "everything you play. Heavy fuzz is also quieter, so raise the guitar's "
               "volume on the patch setup screen if you need to.\n\n"
               "Hold the test button to hear a note through the pedal. The arrows step to the delay "
               "and wah-wah pedals of the same guitar, and the top left corner returns to the "
               "effects menu.\n\n\n\n"));

    // 10: Wah-wah.
    pages.push_back(
        titled("WAH-WAH EFFECT SETUP",
               "The wah-wah pedal sweeps the tone from bright to dark, like a voice saying 'wah'.\n\n"
               "Stamp on the foot switch to turn it on or off; the LED lights while it is on.\n\n"
               "There is no pedal to press: you play the wah by tilting the phone. Hold it flat, "
               "and the wah is fully open and bright. Tilt its top edge up or down, like rocking a "
               "pedal, and the tone closes down, until at about thirty degrees it is dark and "
               "muffled. Rock the phone in time with the music for the classic sound.\n\n"
               "It works on the guitar you are playing (INPUT on the guitar screens).\n\n"
               "On a desktop computer there is no tilt sensor: hold " +
                   tiltKeys +
                   " to tilt a "
                   "virtual phone.\n\n\n"));

    // 11: Wah-wah, continued.
    pages.push_back("\nThe wah-wah filter works on every sample of the sound as it is played, so it takes "
                    "more of the phone's power than the fuzz or the delay. If you do not use it on a "
                    "guitar, switch it off there (see Latency, page 40).\n\n"
                    "While you record, the movements of the wah pedal are recorded too, as part of the "
                    "song. When the song plays back, the recorded wah takes over the pedal of that guitar: "
                    "tilting the phone has no effect on it until the last recorded movement has passed. "
                    "So you cannot record the wah of a guitar twice over. To record it again, erase the "
                    "old movements on the recorder screen ('Erase Wah-Wah Changes') first.\n\n"
                    "A guitar whose song has no wah movements keeps following the tilt during playback, "
                    "so you can still play along with the wah live.\n\n\n\n\n\n");

    // 12: Patch Setup.
    pages.push_back(titled(
        "PATCH SETUP", "This screen sets up the sound of each guitar. Guitar 1's controls are above Guitar "
                       "2's.\n\n"
                       "The name shows the guitar's patch: the recorded guitar it plays.\n\n"
                       "VOLUME sets how loud the guitar is, so that you can balance the two guitars.\n\n"
                       "SUSTAIN sets how long a note rings on after you let go: turn it down for short, "
                       "muted notes, up to let them ring until they die away.\n\n"
                       "Turn the knobs by dragging a finger around them.\n\n"
                       "The long slider, OUTPUT VOLUME, sets how loud the whole program plays, both "
                       "guitars together, after the mix; it is kept for the next time you start.\n\n\n"));

    // 13: Patch Setup, continued.
    pages.push_back("\nCHANGING THE PATCH\n\n"
                    "Touch NEXT to step a guitar through the five patches: Acoustic 1, Acoustic 2, "
                    "Electric 1, Electric 2 and Clean Electric, and then round again. The other arrow "
                    "steps back.\n\n"
                    "Each patch is a set of 48 recorded notes, so changing it means loading new samples. "
                    "A box asks you to wait for a moment while they load; any notes that were sounding "
                    "stop, and recording or playback stops too.\n\n"
                    "TESTING A GUITAR\n\n"
                    "Hold down a guitar's test button to play its low E string with all its settings "
                    "and effects; the note stops when you lift your finger. Use it while you turn the "
                    "knobs to hear the change straight away.\n\n"
                    "TUNING turns the panel to each guitar's tuning: a preset such as Drop D or DADGAD, "
                    "any string up or down, and a capo. A tuning the 48 notes cannot play is refused.\n");

    // 14: Application Setup.
    pages.push_back(
        titled("APPLICATION SETUP",
               "This screen decides which guitars can bend their strings and which follow the "
               "whammy bar.\n\n"
               "Touch STRING BENDS or WHAMMY BAR to step the setting on, round and round: 'Guitar 1', "
               "'Guitar 2', 'Guitar 1 + 2' or 'Off'.\n\n"
               "With string bends on for a guitar, dragging a fretting finger sideways on the Manual "
               "Fret and Hammer-On guitars bends the note up (see page 36).\n\n"
               "With the whammy bar on for a guitar, tilting the phone bends every note of that "
               "guitar down or up (see page 38). On a desktop computer, hold " +
                   tiltKeys +
                   " to tilt.\n\n"
                   "Bends and the whammy bar cost extra processing, so switch them off for a guitar that "
                   "does not need them (see Latency, page 40).\n\n"
                   "The MIDI button beside the title opens the MIDI and Sound page (see page 45). "
                   "LEFT-HANDED mirrors the Manual Fret and Hammer-On boards.\n"));

    // 15: Recorder.
    pages.push_back(titled(
        "RECORDER", "Strumwell records what you play as a list of notes, not as sound: which string and "
                    "fret, when it started and stopped, and how it was bent, along with the movements of "
                    "the whammy bar and the wah. That keeps songs tiny and lets you change the guitars' "
                    "sounds and effects afterwards.\n\n"
                    "You record on the guitar screens, with the Record and Play buttons of the Plectrum "
                    "menu. The recorder screen is where you look after the result. Its two buttons on the "
                    "left choose between two modes:\n\n"
                    "MODIFY offers ways to erase parts of the song.\n\n"
                    "LOAD/SAVE lists your saved songs and saves, loads and erases them by name. Its "
                    "small WAV and MIDI buttons export the selected song into your documents folder, "
                    "as a sound file or as a MIDI file of the same name. MIDI files in your documents "
                    "folder are listed in blue: LOAD imports one as a song (see page 47).\n\n\n"));

    // 16: Recorder, continued.
    pages.push_back("\nIn MODIFY mode, each button asks you to confirm first:\n"
                    "ERASE LAST TRACK removes everything recorded in the last recording pass.\n"
                    "ERASE LAST NOTE removes the last note you recorded.\n"
                    "ERASE WAH-WAH CHANGES and ERASE WHAMMY CHANGES remove all the recorded pedal or bar "
                    "movements, so that you can record them again.\n"
                    "ERASE SONG starts again from an empty song.\n\n"
                    "In LOAD/SAVE mode, type a name in the box and touch SAVE; if a song of that name "
                    "exists, you are asked before it is replaced. Touch a name in the list to select it "
                    "(the arrows scroll the list), then LOAD or ERASE it. A saved song also keeps the "
                    "guitars' settings and your tab. The demo songs come back each time Strumwell "
                    "starts, even if you erased them.\n\n"
                    "Touch WAV or MIDI to export the selected song. A WAV export shows its progress; "
                    "CANCEL stops it and leaves no file.\n\n\n");

    // 17: Guitar Menu.
    pages.push_back(
        titled("GUITAR MENU",
               "Strumwell gives you four different guitars to play. They are four ways of playing "
               "the same recorded notes, each made for a different job, so the current guitar's "
               "sound, effects and settings follow you from one to the other. Choose one here:\n\n"
               "THE MANUAL FRET GUITAR works like a real guitar: one hand holds the frets, the other "
               "plucks or strums the strings over the pickup.\n\n"
               "THE HAMMER-ON GUITAR plays a note as soon as you press a fret, with no plucking: "
               "great for fast lead lines, hammer-ons and pull-offs.\n\n"
               "You can record a part on one guitar and add another part on any other guitar.\n\n\n\n\n"));

    // 18: Guitar Menu, continued.
    pages.push_back("\nTHE TAB GUITAR plays tablature. You write the chords and notes of a song once, in "
                    "the tab editor, and then you only pluck or strum: each pluck plays the next column "
                    "of the tab, so your whole attention goes into the rhythm.\n\n"
                    "THE SCALE GUITAR lays the notes of a scale along one long strip. Choose any of 32 "
                    "scales in any key, and slide a finger along the strip to run up and down it. Every "
                    "note you touch fits the scale, so it is an easy way to improvise a solo over a "
                    "recorded backing.\n\n"
                    "Each guitar has its own pages in this manual; open them from the guitar with its "
                    "help button.\n\n\n\n\n\n\n");

    // 19: Manual Fret Guitar.
    pages.push_back(
        titled("THE 'MANUAL FRET' GUITAR",
               "The low E string runs along the bottom edge and the high E along the top, with the "
               "nut on the left and the pickup on the right.\n\n"
               "Press the fretboard to hold frets, and touch the strings over the pickup to pluck "
               "them. Drag across the pickup to strum. A string sounds the highest fret held on it. "
               "While a note rings, pressing a higher fret hammers on and lifting it pulls off.\n\n"
               "The arrows at the left-hand end move along the neck; the numbers by the pickup show "
               "the fret each string would play; MUTE stops every ringing string.\n\n"
               "Up to five fingers are followed at once. On a desktop computer the mouse is one "
               "finger and keys are extra fingers: " +
                   keysOf(ScreenHost::kManualFretGuitar) + ".\n\n\n"));

    // 20: Manual Fret Guitar, continued: the Plectrum menu.
    pages.push_back("\nTHE PLECTRUM MENU\n\n"
                    "Touch the plectrum in the bottom left corner to open the menu; touch it again to "
                    "close it. Any notes that are ringing stop when it opens.\n\n"
                    "The RECORDER BAR slides up from the bottom. INPUT switches between Guitar 1 and "
                    "Guitar 2: whatever you play from then on uses that guitar's sound and effects.\n\n"
                    "The TOP MENU BAR slides down along the top. Its buttons take you straight to the "
                    "main menu, the guitar menu, the effects menu, the patch setup, the recorder, or this "
                    "manual.\n\n"
                    "You can record a part with one guitar, switch INPUT, and record another part over "
                    "it, on this screen or on any other guitar.\n\n\n\n");

    // 21: Manual Fret Guitar, continued: Play and Record.
    pages.push_back("\nPLAY AND RECORD\n\n"
                    "PLAY plays the song back; touch it again to stop. You can play along while it "
                    "plays.\n\n"
                    "RECORD starts a recording and closes the menu so that you can play at once. "
                    "Recording really starts with the first note you play, so there is no rush. If the "
                    "song already has something in it, it plays back while you record the new part over "
                    "it. Open the menu and touch RECORD or PLAY again to stop; the new part is then "
                    "added to the song.\n\n"
                    "The lights on the buttons show whether Strumwell is playing or recording. Leaving "
                    "the screen through the Top Menu Bar stops both.\n\n"
                    "On the recorder screen you can erase the last part, save the song and more.\n\n\n");

    // 22: fewer/more frets.
    pages.push_back(fretCountPage());

    // 23: Hammer-On Guitar.
    pages.push_back(
        titled("THE 'HAMMER-ON' GUITAR",
               "On this guitar there is no plucking: a note sounds as soon as you press a fret, so "
               "one hand can play whole melodies, tapping style.\n\n"
               "Each string sounds the highest fret held on it. Press a higher fret while a note "
               "rings to hammer on; lift it again to pull off to the fret still held below it. "
               "Lift the last finger and the string stops.\n\n"
               "Scroll all the way towards the nut with the arrows at the left-hand end and a "
               "zeroth fret appears above the drawn nut: touch it to play the open string.\n\n"
               "The Plectrum menu, the Recorder Bar, the Top Menu Bar and string bending work as on "
               "the Manual Fret guitar (pages 20 and 21). On a desktop computer, " +
                   keysOf(ScreenHost::kHammerOnGuitar) + ".\n\n\n"));

    // 24: the same text as page 22.
    pages.push_back(fretCountPage());

    // 25: Tab Guitar.
    pages.push_back(
        titled("THE 'TAB GUITAR'",
               "The Tab Guitar plays tablature that you have written beforehand. The frets come "
               "from the tab, so you only pluck: each touch on the pickup plays one column of the "
               "tab, and the next touch plays the next column.\n\n"
               "It lets you play whole songs, chord changes and fingerpicking patterns with one "
               "hand, keeping your mind on the rhythm, just as if someone else were fretting for "
               "you.\n\n"
               "The six rows on the screen show the tab, one row per string, low E at the bottom. "
               "The arrows step back and forward through the tab without playing.\n\n"
               "The Plectrum menu works as on the Manual Fret guitar (page 20), with three more "
               "buttons: restart the tab, enter tab, and load or save tab.\n\n\n\n\n"));

    // 26: Tab Guitar, continued: where tab comes from.
    pages.push_back("\nWHERE DOES THE TAB COME FROM?\n\n"
                    "You write it yourself in the tab editor: open the Plectrum menu and touch ENTER TAB. "
                    "There you build each column fret by fret, by stepping fret numbers, or from a "
                    "library of 216 chord shapes (pages 30 to 32).\n\n"
                    "Tabs can be saved and loaded by name: open the Plectrum menu and touch LOAD/SAVE "
                    "(page 33). Strumwell comes with some demo tabs to get you going.\n\n"
                    "The tab you are working on is kept when you leave Strumwell, and it is saved inside "
                    "every song you save, too.\n\n"
                    "RESTART TAB in the Plectrum menu goes back to the first column.\n\n\n\n\n");

    // 27: Tab Guitar, continued: grey bar, pickup, strumming.
    pages.push_back("\nPLAYING\n\n"
                    "The grey bar over the tab marks the column that plays next.\n\n"
                    "Tap the pickup area on the right to play it. By itself, a tap strums all the strings "
                    "of the column, from the low E upwards, and the chord rings while your finger stays "
                    "down. Lift your finger and the tab moves on to the next column, ready for the next "
                    "tap. After the last column it starts again from the first.\n\n"
                    "Use two fingers in turn for fast parts: each finger that lifts moves the tab on by "
                    "one column.\n\n"
                    "The knob at the bottom sets the strum speed: turn it up for a slow, spread-out "
                    "strum and down for a quick one that sounds almost like a single stroke.\n\n\n");

    // 28: Tab Guitar, continued: LEDs and HOLD.
    pages.push_back("\nTHE STRING LIGHTS AND THE HOLD BUTTON\n\n"
                    "The six lights in the pickup show which strings the current column plays.\n\n"
                    "Press and hold the HOLD button to play the column string by string instead of "
                    "strumming it. While you hold it, the tab does not move on: touch the strings over "
                    "the pickup one at a time, or slide across them, to pick out the notes of the chord "
                    "in any order - a fingerpicking pattern or an arpeggio.\n\n"
                    "Release HOLD to stop the strings. If no finger is left on the pickup, the tab moves "
                    "on to the next column straight away; otherwise it moves on when that finger "
                    "lifts.\n\n\n\n\n\n");

    // 29: Tab Guitar, continued: acoustic noises.
    pages.push_back("\nSOUND EFFECTS\n\n"
                    "When the guitar you play has an acoustic patch, two small buttons appear in the top "
                    "left corner of the screen.\n\n"
                    "The first plays a fret noise, the squeak of a finger sliding along a string. The "
                    "second plays a tap on the body of the guitar, for a percussive beat between chords.\n\n"
                    "Mix them into your strumming to make the Tab Guitar sound like a real acoustic "
                    "guitar in the hands of a player. The sound effects are not affected by the effect "
                    "pedals.\n\n"
                    "On an electric patch the buttons are hidden and do nothing.\n\n"
                    "On a desktop computer, " +
                    keysOf(ScreenHost::kTabGuitar) + ".\n\n\n");

    // 30: Programming the Tab Guitar.
    pages.push_back(
        titled("PROGRAMMING THE 'TAB GUITAR'",
               "The tab editor is where you write the tab. The tab runs along the bottom of the "
               "screen, one row per string, and the shaded column is the current position; the "
               "numbers next to it show the position and the length of the tab. The arrows at each "
               "end of it move the position.\n\n"
               "You build one column at a time, the working chord, and then put it into the tab. "
               "Three modes build the working chord; open the Plectrum menu and touch the mode "
               "button to switch between them:\n\n"
               "FRET MODE shows five frets of a fretboard: touch a string at a fret to set it, touch "
               "it again to clear it. The arrows move along the neck.\n\n"
               "TAB MODE gives each string an up and a down arrow to step its fret number.\n\n\n\n"));

    // 31: Programming, continued: LISTEN, INSERT, DELETE, CLEAR.
    pages.push_back("\nLISTEN strums the working chord, so you can check it before you use it.\n\n"
                    "INSERT puts the working chord into the tab at the current position and steps past "
                    "it, so pressing INSERT again and again writes columns in order. The working chord "
                    "stays, so a repeated chord needs only more presses of INSERT.\n\n"
                    "DELETE removes the column at the current position.\n\n"
                    "CLEAR empties the working chord.\n\n"
                    "Touch the tab itself to hear the current column; the position moves on by one when "
                    "you lift your finger.\n\n"
                    "To erase the whole tab, open the Plectrum menu and touch ERASE TAB. PLAY TAB takes "
                    "you to the Tab Guitar to play what you wrote.\n\n\n");

    // 32: Programming, continued: Chord Mode.
    pages.push_back("\nCHORD MODE\n\n"
                    "Chord mode gives you a library of 216 chord shapes: twelve keys, from A to G#, and "
                    "eighteen chord types, from major and 7 to sus4, 6 and 6/9.\n\n"
                    "Touch a key and then a type: the chord is loaded into the working chord and played "
                    "while your finger stays down. Touch the selected key or type again to hear it once "
                    "more. The highlighted labels show your choice.\n\n"
                    "Then touch INSERT to put the chord into the tab.\n\n"
                    "A chord from the library is a starting point: switch to fret or tab mode to change "
                    "a string or two before you insert it, for example to add a bass note.\n\n\n\n\n");

    // 33: Loading and Saving Tab.
    pages.push_back(
        titled("LOADING AND SAVING TAB",
               "The tab library keeps your tabs by name, so you can build up a song book.\n\n"
               "To save, type a name in the box and touch SAVE. If a tab of that name already "
               "exists, Strumwell asks before it replaces it; with no name it offers 'My Tab'.\n\n"
               "To load, touch a name in the list to select it (use the arrows to scroll the list) "
               "and touch LOAD. Loading replaces the tab you are working on.\n\n"
               "To erase a saved tab, select it and touch ERASE.\n\n"
               "Text tabs (.txt files copied from the web) in your documents folder are listed too, "
               "ending in '.txt': LOAD imports one, telling you what it skipped. So are Guitar Pro, "
               "MusicXML and MIDI files, in blue (see page 47).\n\n"
               "The demo tabs come back each time Strumwell starts, even if you erased them. Open "
               "the Plectrum menu to go to the Tab Guitar or the tab editor.\n\n\n"));

    // 34: Scale Guitar.
    pages.push_back(
        titled("THE 'SCALE GUITAR'",
               "The Scale Guitar lets you run through any scale, in any key, with one finger.\n\n"
               "The long strip across the middle of the screen is divided into bands, one for each "
               "note of the scale, from the lowest note on the left to the highest on the right. "
               "Touch the strip to play a note; slide along it and each band you reach plays its "
               "note, for fast runs up and down the scale. One note sounds at a time.\n\n"
               "Choose from 32 scales - blues, major, the modes, pentatonics and many from around "
               "the world - in any of the twelve keys. Every note fits the key, so you can "
               "improvise over a recording without a wrong note.\n\n\n\n\n\n"));

    // 35: Scale Guitar, continued.
    pages.push_back("\nThe two arrows step backwards and forwards through the scales; the name of the "
                    "scale is shown between them.\n\n"
                    "Beneath the name, the intervals show how the scale is built, counted from its root "
                    "note: for example 1, b3, 4, b5, 5 and b7 for the blues scale.\n\n"
                    "To the right, the current key is shown, such as 'Key: C'. Choose the key by "
                    "touching a key of the small piano keyboard.\n\n"
                    "To the left, the name of the note you are playing is shown.\n\n"
                    "On a desktop computer, the mouse plays the strip, and the letter and number keys "
                    "play its notes too: " +
                    keysOf(ScreenHost::kScaleGuitar) +
                    ".\n\n"
                    "The Plectrum menu, with the Recorder Bar and the Top Menu Bar, works as on the "
                    "Manual Fret guitar (pages 20 and 21).\n\n\n");

    // 36: String Bending.
    pages.push_back(
        titled("STRING BENDING",
               "On the Manual Fret and Hammer-On guitars you can bend a string, as guitarists do "
               "when they push a string across the fret to raise its pitch.\n\n"
               "Hold a fret and play the note, then drag that fretting finger sideways, across the "
               "strings. A short drag bends the note up a half step; drag further to bend it up a "
               "whole step. You can drag either way: both raise the pitch, and the string is drawn "
               "pushed aside.\n\n"
               "Bending is switched on per guitar on the Application Setup screen (page 14): choose "
               "'Guitar 1', 'Guitar 2' or 'Guitar 1 + 2' for STRING BENDS. The open strings and the "
               "Hammer-On guitar's zeroth fret cannot be bent.\n\n\n\n\n\n\n"));

    // 37: String Bending, continued.
    pages.push_back("\nTo release a bend, drag your finger back towards where you first pressed. The "
                    "note glides back down to its normal pitch.\n\n"
                    "Move your finger quickly back and forth for vibrato.\n\n"
                    "Plucking the string again starts a new, unbent note.\n\n"
                    "When you record, your bends are recorded too. Each bend belongs to its note: it "
                    "plays back with that note, exactly as you played it, whichever guitar sound you "
                    "later choose.\n\n"
                    "Bending takes extra processing. If you do not need it, switch it off for that "
                    "guitar (see Latency, page 40).\n\n\n\n\n\n");

    // 38: Whammy Bar.
    pages.push_back(titled(
        "WHAMMY BAR", "A whammy bar bends the pitch of everything a guitar plays. In Strumwell you work it "
                      "by tilting the phone.\n\n"
                      "Hold the phone flat. Tip it down to the left and every note drops, down to an "
                      "octave below at about thirty degrees; tip it down to the right and the notes rise, "
                      "up to a fifth above. Within a small tilt either way the bar stays at rest, so the "
                      "guitar stays in tune while you hold the phone roughly level.\n\n"
                      "Switch the whammy bar on for Guitar 1, Guitar 2 or both on the Application Setup "
                      "screen (page 14). It works on whichever of those guitars you are playing.\n\n"
                      "On a desktop computer there is no tilt sensor: hold " +
                          tiltKeys +
                          " to tilt a "
                          "virtual phone.\n\n\n\n"));

    // 39: Whammy Bar, continued.
    pages.push_back("\nWhile you record, the movements of the whammy bar are recorded along with your "
                    "notes, and they play back with the song.\n\n"
                    "When the song plays back, the recorded whammy movements take over that guitar's bar: "
                    "tilting the phone has no effect on it until the last recorded movement has passed. "
                    "This means the whammy bar of a guitar cannot be overdubbed. To record it again, "
                    "first erase the old movements on the recorder screen ('Erase Whammy Changes').\n\n"
                    "The bar works on all the notes of the guitar at once. To bend a single note, use "
                    "string bending instead (page 36).\n\n\n\n\n\n\n\n");

    // 40: Latency.
    pages.push_back(titled(
        "LATENCY", "Latency is the small delay between touching the screen and hearing the note. "
                   "Strumwell keeps it as short as it can, but every effect costs processing, and the "
                   "more the phone has to do for each sound, the less it has to spare.\n\n"
                   "If the sound stutters, or feels late, switch off what you do not use: a pedal left "
                   "on for a guitar you are not playing still works on every note of that guitar, "
                   "including the notes of a song playing back.\n\n"
                   "Playing fewer notes at once, and a shorter sustain, also help.\n\n\n\n\n\n\n\n"));

    // 41: Latency, continued.
    pages.push_back("\nFrom the most costly to the least, the effects are:\n\n"
                    "1. Pitch shifting: string bends and the whammy bar. A guitar with either switched on "
                    "uses a slower way of playing its notes, even when nothing is bent. Set STRING BENDS "
                    "and WHAMMY BAR to 'Off' on the Application Setup screen for any guitar that does not "
                    "need them.\n\n"
                    "2. The wah-wah filter.\n\n"
                    "3. The delay.\n\n"
                    "4. The fuzz, which costs very little.\n\n"
                    "On a desktop computer there is usually power to spare, but a slow machine or a busy "
                    "one benefits from the same advice.\n\n\n\n");

    // 42: Credits.
    pages.push_back(titled(
        "CREDITS", "Strumwell - a guitar simulator for your fingertips.\n\n"
                   "Programming, design and artwork by the Strumwell team. Strumwell is free "
                   "software under the MIT licence.\n\n"
                   "With thanks to:\n"
                   "FluidSynth and the FluidR3 GM SoundFont (by Frank Wen and others, under the MIT "
                   "licence), from which the guitar samples and sound effects were made;\n"
                   "SDL, the Simple DirectMedia Layer, for the window, touch and sound;\n"
                   "the Liberation fonts, for the lettering;\n"
                   "and every guitarist who sent us ideas, tabs and bug reports.\n\n"
                   "Thank you for playing Strumwell. If you enjoy it, tell a friend, and visit our web "
                   "site with the button at the top of this page.\n\n\n\n\n"));

    // 43: the maker's other applications.
    pages.push_back("\nOUR OTHER APPLICATIONS\n\n"
                    "Strumwell has a few siblings, made by the same people for musicians:\n\n"
                    "BEATWELL is Strumwell's companion drum kit: tap out beats on real recorded drums, "
                    "record them in layers and jam along on your guitar.\n\n"
                    "STRUMWELL TUNER listens through the microphone and shows how far each string is "
                    "from its note, in standard tuning and a handful of open tunings.\n\n"
                    "STRUMWELL CHORD BOOK shows the chord shapes of this manual's chord library as "
                    "fretboard diagrams, with the notes of each chord spelled out.\n\n\n\n\n");

    // 44: the maker's other applications, continued.
    pages.push_back("\nSTRUMWELL SCALE TRAINER plays a scale and asks you to find it on the fretboard, "
                    "starting easy and growing harder as you improve.\n\n"
                    "All of them are small, free of advertising, and keep your data on your own "
                    "device.\n\n"
                    "You will find them, with news of updates to Strumwell, on our web site: touch the "
                    "web site button at the top of this page.\n\n"
                    "Happy playing!\n\n\n\n\n\n\n\n\n");

    // 45: MIDI in and out, and the sound server.
    pages.push_back(titled(
        "MIDI AND SOUND",
        "Strumwell is a MIDI device named 'Strumwell', with an input and an output: connect a keyboard to "
        "play its guitars, or a DAW to record what you play.\n\n"
        "With ALSA, connect the ports with aconnect (aconnect -l lists them) or a patchbay. With JACK, the "
        "client 'Strumwell' has the ports midi_in and midi_out: wire them in qjackctl or with "
        "jack_connect. Start Strumwell with --audio jack to play its sound through JACK as well.\n\n"
        "Touch MIDI beside the title of the Application Setup screen for this page's settings; "
        "'Guitars' leads back.\n\n\n\n"));

    // 46: MIDI, continued.
    pages.push_back(
        "\nMIDI CHANNELS: PER GUITAR plays Guitar 1 on channel 1 and Guitar 2 on channel 2. PER "
        "STRING gives each string a channel of its own (1 to 6 for Guitar 1, 7 to 12 for Guitar 2, "
        "low E first), so that a bend moves only its string. MIDI coming in is read the same "
        "way.\n\n"
        "SEND GUITAR 1 and SEND GUITAR 2 choose whose notes go out; SEND SONG PLAYBACK sends a "
        "song being played back too.\n\n"
        "The line below shows the ports (or why MIDI is off) and how many notes came in that "
        "no sample holds. Notes played in light their string on the guitar screens.\n\n"
        "RECONNECT SOUND brings the sound back at once after the sound server went away.\n\n\n\n");

    // 47: Importing Guitar Pro, MusicXML and MIDI files.
    pages.push_back(titled(
        "IMPORTING SCORES",
        "Copy Guitar Pro (.gp3 .gp4 .gp5 .gp), MusicXML (.musicxml .xml .mxl) or MIDI (.mid .midi) files "
        "into your documents folder: ~/.local/share/strumwell (or $XDG_DATA_HOME/strumwell, or the folder "
        "given with --documents).\n\n"
        "The tab library lists them in blue beside your tabs. Select one and touch LOAD; when it has several "
        "tracks, touch the one you want (MORE shows the rest). The track becomes your tab and is saved under "
        "the file's name, never over a tab you have: the new one is then called 'NAME 2'. A message says "
        "which notes were moved by octaves or dropped.\n\n"
        "The recorder's LOAD/SAVE list shows MIDI files in blue: LOAD asks which track guitar 1 plays, then "
        "guitar 2 (or JUST ONE), and saves and loads the song the same way.\n\n\n"));

    // 48, 49: the Practice screen.
    pages.push_back(titled(
        "PRACTICE",
        "Open it from the recorder (PRACTICE along the top) or from the Plectrum menu of any guitar "
        "(PRACTICE on the Recorder Bar).\n\n"
        "The line along the top is your song: the red mark is the play head, the blue band the loop. Draw "
        "a finger along the line to loop from where you start to where you stop.\n\n"
        "SET A and SET B put the loop's ends where the play head stands; LOOP switches it on and off. "
        "PLAY plays the song, round the loop while it is on; STOP ends it.\n\n"
        "SPEED - and + play it from 25 % to 200 % of its pace, in steps of 5 %. TRAINER raises the speed "
        "one step after each pass of the loop until it reaches the TARGET.\n\n\n"));
    pages.push_back("\nCLICK switches the metronome on and off; drag along CLICK VOLUME to set its "
                    "loudness. Strumwell keeps both for the next start. With the click on, recording "
                    "counts in one bar first.\n\n"
                    "TEMPO - and + set the song's beats per minute, or touch TAP on the beat a few times. "
                    "BEATS - and + set the beats in a bar. The song keeps its tempo and beats.\n\n"
                    "On a desktop computer, on the guitars, the recorder and this screen: " +
                    std::string(PracticeKeys::kKeysText) +
                    ". A line at the top of the screen tells what changed.\n\n\n\n\n");

    std::tie(pages[1], pages[2]) = contentsPages(pages);
    return pages;
}

int ManualPages::helpPage(int screenNo) {
    const ScreenInfo* screen = ScreenCatalog::find(screenNo);
    if (!screen)
        return kKeepPage;
    return screen->helpOpensTitlePage || !screen->manualTopic ? 0 : pageHeaded(create(), screen->manualTopic);
}
