// The program's help viewer: shows a rich-text help file from the current folder or the program's own.
#pragma once

#include <QWidget>

#include <string>

class QTextBrowser;

class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Loads the named file (no folder part) from the current folder, or else from the executable's
    // folder, where an installed program keeps its help files while it works in a data folder; a
    // missing or unreadable file is reported in the viewer's own page. Returns whether it was shown.
    bool ShowContents(const std::string& fileName);
    std::string FileName() const { return ShownFile; }
    QString PlainText() const;

private:
    QTextBrowser* Browser = nullptr;
    std::string ShownFile;
};

// The one help viewer of the process, created on first use as a window owned by `owner`,
// raised on every request.
THelpViewer* ShowHelpContents(QWidget* owner, const std::string& fileName);
// The viewer if one was created, otherwise nullptr.
THelpViewer* CurrentHelpViewer();
