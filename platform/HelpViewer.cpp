// The help viewer window standing in for the system help program.
#include "platform/HelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
QPointer<THelpViewer>& helpViewer()
{
    static QPointer<THelpViewer> viewer;
    return viewer;
}
}  // namespace

THelpViewer::THelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    // The viewer may stay open; it must not keep the program alive once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Browser = new QTextBrowser(this);
    Browser->setOpenExternalLinks(true);
    layout->addWidget(Browser);
    resize(560, 480);
}

bool THelpViewer::ShowContents(const std::string& fileName)
{
    ShownFile = fileName;
    const QString name = QString::fromStdString(fileName);
    setWindowTitle(name);
    QFile file(name);
    if (!file.exists())
        file.setFileName(QDir(QCoreApplication::applicationDirPath()).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        Browser->setPlainText(QStringLiteral("The help file %1 cannot be opened in the folder %2.\n\n"
                                             "Le fichier d'aide %1 ne peut être ouvert dans le dossier %2.")
                                  .arg(name, QDir::currentPath()));
        return false;
    }
    Browser->setHtml(QString::fromUtf8(file.readAll()));
    return true;
}

QString THelpViewer::PlainText() const
{
    return Browser->toPlainText();
}

THelpViewer* ShowHelpContents(QWidget* owner, const std::string& fileName)
{
    if (!helpViewer())
        helpViewer() = new THelpViewer(owner);
    THelpViewer* viewer = helpViewer();
    viewer->ShowContents(fileName);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

THelpViewer* CurrentHelpViewer()
{
    return helpViewer();
}
