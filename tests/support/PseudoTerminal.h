// Test helpers for serial ports: a pseudo-terminal standing in for a device, and a folder holding COMn links.
#pragma once

#include <QTemporaryDir>

#include <string>

// The line settings of a pty as the kernel holds them, read back from the master side.
struct TPtyLineSettings {
    unsigned OutputSpeed = 0;  // bits per second, also for rates without a Bxxx constant
    unsigned InputSpeed = 0;
    bool FreeRate = false;     // set through BOTHER rather than a Bxxx constant
    int DataBits = 0;
    bool ParityEnabled = false;
    bool ParityOdd = false;
    bool ParityConstant = false;  // CMSPAR: mark or space
    bool TwoStopBits = false;
    bool RtsCts = false;
    bool XonOutput = false;
    bool XoffInput = false;
    int StartChar = 0;
    int StopChar = 0;
    bool Raw = false;  // no canonical mode, echo, signals, output processing or CR/NL mapping
    bool ParityCheck = false;
    bool ReceiverOn = false;
    bool LocalLine = false;
};

// A pty pair: the test holds the master, the code under test opens the slave by its path.
class TPseudoTerminal {
public:
    TPseudoTerminal();
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    bool IsOpen() const { return Master >= 0; }
    const std::string& SlavePath() const { return Slave; }

    // Bytes that arrive until `count` are in or `timeoutMs` pass.
    std::string ReadBytes(std::size_t count, int timeoutMs);
    // Everything that arrives until the line has been quiet for `quietMs`.
    std::string ReadUntilQuiet(int quietMs);
    bool Write(const std::string& bytes);
    // Writes what the line takes now and says how much that was: a flood is fed between events.
    std::size_t WriteSome(const std::string& bytes);
    // Like pulling a USB adapter: the slave side hangs up.
    void CloseMaster();
    TPtyLineSettings LineSettings() const;
    // Changes the slave's speed behind its opener's back, to see whether it is applied again.
    bool SetStandardSpeed(unsigned bitsPerSecond);

private:
    int Master = -1;
    std::string Slave;
};

// A temporary folder made the current directory for the test's lifetime, where COMn links live.
// Every COM1..COM9 starts as a link to a missing device, so that no test ever falls back to the
// machine's own /dev/ttyS ports (one of them is often the system console).
class TPortFolder {
public:
    TPortFolder();
    ~TPortFolder();
    TPortFolder(const TPortFolder&) = delete;
    TPortFolder& operator=(const TPortFolder&) = delete;

    std::string Path() const;
    // Makes `name` (for example "COM1") a symbolic link to `target`, replacing an older one.
    bool Link(const std::string& name, const std::string& target);
    // Like unplugging the adapter: the link stays and points nowhere.
    void Unplug(const std::string& name);

private:
    std::string PreviousDirectory;
    QTemporaryDir Folder;
};
