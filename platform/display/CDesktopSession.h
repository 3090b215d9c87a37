// The application as a client of the desktop's session manager: the end of the
// session (logging out, shutting down) reaches the framework as a quit event.
#pragma once

#include <string>

namespace NSPlatform
{

class CDesktopSession
{
public:
    // Registers with the session manager on the session bus, without waiting: the
    // answer arrives through the main context. Nothing happens without a session bus
    // or a session manager on it (the quit signals still end the application).
    static void Register(const std::string& applicationID);
    // True once the session manager has accepted the registration.
    static bool IsRegistered();
    // Leaves the session (the manager sees the client's connection go); Register may
    // be called again afterwards.
    static void Unregister();
};

} // namespace NSPlatform
