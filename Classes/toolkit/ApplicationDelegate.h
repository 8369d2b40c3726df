#pragma once

class Application;

// The application's life-cycle calls.
//
// Threads: UI thread.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    // Once, when the window and the platform are ready; the delegate builds
    // its views into application.rootView().
    virtual void applicationDidFinishLaunching(Application& application) = 0;
    // Once, when the run ends in order (window closed, SIGINT, SIGTERM,
    // Application::terminate), before the window goes.
    virtual void applicationWillTerminate(Application& application) { (void)application; }
    // The platform is short of memory.
    virtual void applicationDidReceiveMemoryWarning(Application& application) { (void)application; }
};
