// Beeps through the desktop sound theme, or the X bell where no sound can be played; counted by an
// optional observer.
#include "platform/CanberraBeep.h"

#include <QApplication>

#include <canberra.h>

#include <cstdlib>
#include <cstring>

#include "platform/BeepObserver.h"

namespace {

// One context for the process, kept while it plays: opening it connects to the sound server.
ca_context* soundContext = nullptr;

void CloseSoundContext()
{
    if (soundContext)
        ca_context_destroy(soundContext);
    soundContext = nullptr;
}

bool OpenSoundContext()
{
    if (soundContext)
        return true;
    // libcanberra's "null" driver reports every sound as played and plays none.
    const char* driver = std::getenv("CANBERRA_DRIVER");
    if (driver && std::strcmp(driver, "null") == 0)
        return false;
    if (ca_context_create(&soundContext) != CA_SUCCESS) {
        soundContext = nullptr;
        return false;
    }
    ca_context_change_props(soundContext, CA_PROP_APPLICATION_NAME, "Tolvane", CA_PROP_APPLICATION_ID,
                            "org.example.tolvane.Tolvane", nullptr);
    if (ca_context_open(soundContext) != CA_SUCCESS) {
        CloseSoundContext();
        return false;
    }
    return true;
}

bool PlayEvent(const char* eventId)
{
    return ca_context_play(soundContext, 0, CA_PROP_EVENT_ID, eventId, CA_PROP_EVENT_DESCRIPTION, "Tolvane",
                           nullptr) == CA_SUCCESS;
}

}  // namespace

bool PlayThemeBell(TBeepKind kind)
{
    if (!OpenSoundContext())
        return false;
    // A theme without a warning sound still has its bell.
    if ((kind == TBeepKind::Exclamation && PlayEvent("dialog-warning")) || PlayEvent("bell"))
        return true;
    // The server may have gone, or a sound card come: the next beep looks again.
    CloseSoundContext();
    return false;
}

void MessageBeep(TBeepKind kind)
{
    NotifyBeepObserver(kind);
    if (PlayThemeBell(kind))
        return;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}
