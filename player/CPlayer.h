#pragma once

#include "CPlayerOptions.h"
#include "CPresetFile.h"
#include "PlayerWindow.h"

#include <memory>
#include <string>
#include <vector>

class CEditorView;
class CInstrument;
class CPlayerAudio;
class CStateStore;

// The standalone player: the instrument on JACK or an ALSA device with its
// front panel in a window of its own, its state kept between runs. run()
// answers the program's exit status.
class CPlayer final : private CPlayerWindowListener {
public:
    enum ExitStatus {
        kExitDone = 0,
        kExitFailed = 1,
        kExitUsage = 2,
        // 3 was "no JACK server": the player now waits for its audio instead.
        kExitNoDisplay = 4,
        kExitState = 5,
        kExitLoad = 6,
    };

    CPlayer();
    ~CPlayer();

    int run(int argc, const char* const* argv);
    // Asks the main loop to end (a signal handler may call it).
    static void requestQuit();

private:
    int start();
    int restoreState();
    // A file's bytes as a bank or a program (a bare chunk is a bank); false
    // with the reason, naming the file.
    static bool readStateFile(const std::string& path, CPresetFile::Contents& contents, std::string& error);
    static bool unwrapFile(const std::string& path, std::vector<unsigned char>& bytes, CPresetFile::Contents& contents,
                           std::string& error);
    // Into the instrument: a bank whole, a program into the current program.
    bool loadContents(const std::string& path, const CPresetFile::Contents& contents, std::string& error);
    bool loadProgram(const std::string& path, const std::vector<unsigned char>& chunk, std::string& error);
    int openWindow();
    void startAudio();
    void mainLoop();
    int finish();
    int saveAtEnd(int status);
    bool saveBank(const std::string& path, std::string& error);
    bool saveFile(const std::string& path, std::string& error);

    void windowKeyDown(const EditorKey& key) override;
    void windowKeyUp(const EditorKey& key) override;
    void windowCloseRequested() override;
    [[noreturn]] void windowDisplayLost() override;

    CPlayerOptions m_options;
    std::unique_ptr<CStateStore> m_store;
    std::unique_ptr<CInstrument> m_instrument;
    std::unique_ptr<CPlayerAudio> m_audio;
    std::unique_ptr<CPlayerWindow> m_window;
    CEditorView* m_editor = nullptr;
    bool m_editorOpen = false;
};
