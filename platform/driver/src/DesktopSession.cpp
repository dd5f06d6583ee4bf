#include "driver/DesktopSession.h"

#include "OrderedLogSink.h"
#include "SessionProcessMirror.h"
#include "appkit/NSAccessibilityTree.h"
#include "appkit/NSApplication.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSEvent.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSWindow.h"
#include "driver/AutostartProgram.h"
#include "foundation/Clock.h"
#include "foundation/DetachedProcess.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSDistributedNotificationCenter.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSProcessInfo.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/SessionBus.h"
#include "foundation/SessionProcesses.h"
#include "foundation/VirtualClock.h"
#include "simulation/DesktopDescription.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedKeyboard.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <thread>

namespace {

// What the program is called in its messages and its transcript: its main
// bundle's name, else the name it was started by.
std::string programName()
{
    auto bundle = NSBundle::mainBundle();
    Id name = bundle ? bundle->objectForInfoDictionaryKey("CFBundleName") : Id();
    if (const String* text = name.string(); text && !text->empty())
        return text->utf8();
    return NSProcessInfo::processInfo().processName().utf8();
}

std::string usage(const std::string& program)
{
    return "usage: " + program +
           " [--desktop FILE] [--script FILE | --no-script] [--home DIR]\n"
           "  --desktop FILE  the simulated desktop's JSON description (default: the embedded one)\n"
           "  --script FILE   driver commands, one a line (default: standard input)\n"
           "  --no-script     no commands: run until the program quits or is told to end\n"
           "  --home DIR      the simulated user's home, where the user defaults are kept\n";
}

bool infoFlag(const NSBundle& bundle, const char* key)
{
    Id value = bundle.objectForInfoDictionaryKey(key);
    return value.isBoolean() && value.boolValue();
}

simulation::ActivationPolicy policyOf(const NSBundle& bundle)
{
    if (infoFlag(bundle, "LSBackgroundOnly"))
        return simulation::ActivationPolicy::Prohibited;
    if (infoFlag(bundle, "LSUIElement"))
        return simulation::ActivationPolicy::Accessory;
    return simulation::ActivationPolicy::Regular;
}

// A program without commands ends as programs do when the system or the
// user asks: SIGTERM or SIGINT terminates the application on its main run
// loop. Blocked here, before any other thread starts, so that only the
// waiting thread takes them.
void terminateOnSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0)
            return;
        NSRunLoop::mainRunLoop().performBlock([] { NSApplication::sharedApplication()->terminate(Id()); });
    }).detach();
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Menu titles as people type them: any case, without the ellipsis.
std::string menuKey(const std::string& title)
{
    std::string key = lowered(title);
    for (const std::string ending : {"\u2026", "..."})
        if (key.size() >= ending.size() && key.compare(key.size() - ending.size(), ending.size(), ending) == 0)
            key.erase(key.size() - ending.size());
    return key;
}

DriverCommand quitCommand()
{
    DriverCommand command;
    command.kind = DriverCommand::Kind::Quit;
    return command;
}

std::string versionText(const simulation::OperatingSystemVersion& version)
{
    std::string text = std::to_string(version.majorVersion) + "." + std::to_string(version.minorVersion);
    if (version.patchVersion)
        text += "." + std::to_string(version.patchVersion);
    return text;
}

}  // namespace

DesktopSession::DesktopSession(std::ostream& out, std::istream& in)
    : out_(out)
    , in_(&in)
    , transcript_(out)
{
}

DesktopSession::~DesktopSession()
{
    leaveSessionBus();
    releaseLog();
}

void DesktopSession::releaseLog()
{
    if (!logSink_)
        return;
    logSink_->detach();
    // Someone who put a sink of their own in place meanwhile keeps it.
    if (Log::sink() == logSink_)
        Log::setSink(logSink_->next());
    logSink_.reset();
}

ParseResult<DesktopSession::Options> DesktopSession::parseArguments(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        std::string* into = nullptr;
        if (argument == "--no-script") {
            options.noScript = true;
            continue;
        }
        if (argument == "--desktop")
            into = &options.desktopFile;
        else if (argument == "--script")
            into = &options.scriptFile;
        else if (argument == "--home")
            into = &options.home;
        else
            return ParseError{"unknown argument '" + argument + "'"};
        if (i + 1 >= argc || std::string(argv[i + 1]).empty())
            return ParseError{argument + " needs a value"};
        *into = argv[++i];
    }
    if (options.noScript && !options.scriptFile.empty())
        return ParseError{"--script and --no-script exclude each other"};
    return options;
}

std::optional<int> DesktopSession::prepare(int argc, char** argv)
{
    const std::string program = programName();
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::cout << usage(program);
            return EXIT_SUCCESS;
        }
    }
    auto options = parseArguments(argc, argv);
    if (!options) {
        std::cerr << program << ": " << options.error() << '\n' << usage(program);
        return 2;
    }

    if (!options->desktopFile.empty()) {
        auto result = simulation::DesktopDescription::readFile(options->desktopFile,
                                                               simulation::DesktopDescription::OwnProcess::Required);
        if (!result) {
            std::cerr << program << ": " << result.error() << '\n';
            return EXIT_FAILURE;
        }
        simulation::SimulatedDesktop::setCurrent(std::make_shared<simulation::SimulatedDesktop>(std::move(*result)));
    }
    auto desktop = simulation::SimulatedDesktop::current();

    String home = NSHomeDirectory();
    if (!options->home.empty())
        home = String(options->home);
    else if (auto described = desktop->homeDirectory())
        home = *described;
    setHomeDirectory(home);
    NSUserDefaults::resetStandardUserDefaults(home);

    if (!options->scriptFile.empty()) {
        std::error_code ignored;
        if (std::filesystem::is_directory(options->scriptFile, ignored)) {
            std::cerr << program << ": " << options->scriptFile << ": is a folder, not a script\n";
            return EXIT_FAILURE;
        }
        script_.open(options->scriptFile);
        if (!script_) {
            std::cerr << program << ": can't read the script " << options->scriptFile << '\n';
            return EXIT_FAILURE;
        }
        in_ = &script_;
    }
    noScript_ = options->noScript;
    if (!joinSessionBus(*options)) {
        std::cout << program << ": another start of it runs already, so this one gives way\n";
        return EXIT_SUCCESS;
    }
    return std::nullopt;
}

bool DesktopSession::joinSessionBus(const Options& options)
{
    // Only this program was started as a stand-in, not what it starts.
    const char* marked = std::getenv(SessionProcesses::standInVariable);
    bool standIn = marked && std::string(marked) == "1";
    ::unsetenv(SessionProcesses::standInVariable);
    auto desktop = simulation::SimulatedDesktop::current();
    auto bundle = NSBundle::mainBundle();
    String identifier = bundle ? bundle->bundleIdentifier() : String();
    // A desktop describes its own process as the program it was written for;
    // another program run on it (the login helper on the default desktop) is
    // itself there, not the one described.
    if (pid_t own = desktop->ownProcess(); own && !identifier.empty()) {
        auto self = desktop->application(own);
        if (self && self->bundleIdentifier != identifier)
            desktop->setOwnProcessIdentity(identifier, String(programName()), bundle->bundlePath(), policyOf(*bundle));
    }
    if (noScript_)
        terminateOnSignals();

    // Programs started from here live in the same world.
    std::vector<std::string> inherited{"--home", NSHomeDirectory().utf8()};
    if (!options.desktopFile.empty()) {
        std::error_code ignored;
        auto absolute = std::filesystem::absolute(options.desktopFile, ignored);
        inherited.insert(inherited.end(), {"--desktop", absolute.string()});
    }
    inherited.push_back("--no-script");
    DetachedProcess::setInheritedArguments(std::move(inherited));

    // What others post before the program has registered for it at launch
    // still reaches it.
    NSDistributedNotificationCenter::defaultCenter().holdPostsFromOtherProcesses();
    if (!SessionBus::connect())
        return true;
    // Before announcing: a stand-in that gives way is never seen running.
    bool claimed = identifier.empty() || SessionProcesses::claimInstance(identifier, standIn, [identifier] {
                       Log::info("Another start of %s takes over: this one quits", identifier.utf8().c_str());
                       NSApplication::sharedApplication()->terminate(Id());
                   });
    if (!claimed) {
        SessionBus::disconnect();
        return false;
    }
    if (!identifier.empty() && SessionProcesses::announce(identifier))
        announced_ = identifier;
    mirror_ = std::make_unique<SessionProcessMirror>();
    mirror_->start();
    return true;
}

void DesktopSession::leaveSessionBus()
{
    if (!mirror_)
        return;
    mirror_.reset();
    if (!announced_.empty())
        SessionProcesses::withdraw(announced_);
    SessionBus::disconnect();
}

void DesktopSession::describeKeyWindow()
{
    auto window = application_ ? application_->keyWindow() : nullptr;
    if (!window) {
        transcript_.note("no window is key");
        return;
    }
    // What a reader would see is what the layout placed.
    window->updateConstraintsIfNeeded();
    window->layoutIfNeeded();
    for (const auto& line : NSAccessibilityTreeLines(*window))
        transcript_.note(line);
}

void DesktopSession::logIn()
{
    std::string home = NSHomeDirectory().utf8();
    std::vector<std::string> problems;
    auto programs = AutostartProgram::enabledIn(home, problems);
    for (const auto& problem : problems)
        transcript_.note("autostart entry skipped: " + problem);
    if (programs.empty()) {
        transcript_.note("nothing starts at login");
        return;
    }
    for (const auto& program : programs) {
        std::string error;
        if (auto pid = program.start(home + "/Library/Logs", error))
            transcript_.note("started at login: " + program.name + " (pid " + std::to_string(*pid) + ")");
        else
            transcript_.note("could not start " + program.name + " at login: " + error);
    }
}

int DesktopSession::run(NSApplication& application)
{
    launch(application);
    if (noScript_) {
        while (!finished_ && !application.isTerminated())
            NSRunLoop::mainRunLoop().run();
    } else {
        std::string line;
        bool going = !application.isTerminated();
        while (going && std::getline(*in_, line))
            going = execute(line);
    }
    finish();
    // Settings that could not be stored fail the run as bad lines do.
    bool unstored = NSUserDefaults::standardUserDefaults().failedWriteCount() > 0;
    return errors_ || unstored ? EXIT_FAILURE : EXIT_SUCCESS;
}

void DesktopSession::launch(NSApplication& application)
{
    application_ = &application;
    if (!logSink_) {
        logSink_ = std::make_shared<detail::OrderedLogSink>(transcript_, Log::sink());
        Log::setSink(logSink_);
    }
    auto desktop = simulation::SimulatedDesktop::current();
    std::size_t screens = desktop->screens().size();
    transcript_.line(programName() + " on the simulated desktop: macOS " +
                     versionText(desktop->operatingSystemVersion()) + ", " + std::to_string(screens) +
                     (screens == 1 ? " screen" : " screens") + ", Accessibility " +
                     (desktop->isTrusted() ? "trusted" : "not trusted"));
    transcript_.line("home: " + NSHomeDirectory().utf8());
    for (const auto& problem : transcript_.takeStorageProblems())
        transcript_.line(problem);
    Dictionary stored = NSUserDefaults::standardUserDefaults().persistentDomain();
    if (stored.empty())
        transcript_.line("defaults on disk: none");
    for (const auto& [key, value] : stored)
        transcript_.line("default on disk: " + (key.string() ? key.string()->utf8() : Transcript::describe(key)) +
                         " = " + Transcript::describe(value));

    transcript_.start();
    transcript_.command("launch");
    if (mirror_) {
        // The bus as it is now, not as its notices have told it so far: a
        // program that checks at launch for another one started at the same
        // moment sees it, or is seen by it.
        SessionProcesses::refresh();
        mirror_->sync();
    }
    application.finishLaunching();
    NSDistributedNotificationCenter::defaultCenter().releasePostsFromOtherProcesses();
    settle();
    transcript_.flush();
}

bool DesktopSession::execute(const std::string& line)
{
    ++line_;
    if (finished_)
        return false;
    auto command = DriverCommand::parse(line);
    if (!command) {
        transcript_.line("! line " + std::to_string(line_) + ": " + command.error());
        ++errors_;
        return true;
    }
    if (!*command)
        return true;
    std::string text = line;
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t\r") + 1);
    transcript_.command(text);
    perform(**command);
    settle();
    transcript_.flush();
    // A program that quit of itself takes no more commands.
    if (application_ && application_->isTerminated())
        finished_ = true;
    return !finished_;
}

void DesktopSession::finish()
{
    if (!finished_) {
        transcript_.command("(end of the commands)");
        perform(quitCommand());
        settle();
        transcript_.flush();
    }
    transcript_.stop();
    leaveSessionBus();
    transcript_.line("ended");
    out_.flush();
    releaseLog();
}

void DesktopSession::perform(const DriverCommand& command)
{
    using Kind = DriverCommand::Kind;
    auto desktop = simulation::SimulatedDesktop::current();
    switch (command.kind) {
    case Kind::Press:
        press(command.keys);
        break;
    case Kind::Shortcut:
        shortcut();
        break;
    case Kind::Activate:
    case Kind::QuitApplication: {
        auto pid = findApplication(command.argument);
        if (!pid) {
            transcript_.note("no application '" + command.argument + "' runs");
            break;
        }
        if (command.kind == Kind::Activate) {
            desktop->activate(*pid);
        } else if (*pid == desktop->ownProcess()) {
            perform(quitCommand());
        } else {
            desktop->quitApplication(*pid);
        }
        break;
    }
    case Kind::Launch:
        if (!desktop->launchApplication(String(command.argument)))
            transcript_.note("nothing is installed as '" + command.argument + "'");
        break;
    case Kind::Trust:
        desktop->setTrusted(command.flag);
        break;
    case Kind::Default:
        if (command.value)
            NSUserDefaults::standardUserDefaults().setObject(command.value, String(command.argument));
        else
            NSUserDefaults::standardUserDefaults().removeObjectForKey(String(command.argument));
        break;
    case Kind::Menu:
        chooseMenuItem(command.argument);
        break;
    case Kind::Close:
        closeWindow(command.argument);
        break;
    case Kind::Wait:
        pass(command.seconds);
        break;
    case Kind::Drag:
        drag(command);
        break;
    case Kind::Hold:
    case Kind::Release:
        holdModifier(command.keys, command.kind == Kind::Hold);
        break;
    case Kind::Click:
        click(command);
        break;
    case Kind::Snapshot:
        snapshot(command.argument);
        break;
    case Kind::Status:
        transcript_.status();
        break;
    case Kind::Login:
        logIn();
        break;
    case Kind::Appearance:
        desktop->setAppearance(command.argument == "dark" ? simulation::Appearance::Dark
                                                          : simulation::Appearance::Light);
        break;
    case Kind::Contrast:
        desktop->setIncreaseContrast(command.flag);
        break;
    case Kind::Tint:
        desktop->setControlTint(command.argument == "blue"       ? simulation::ControlTint::Blue
                                : command.argument == "graphite" ? simulation::ControlTint::Graphite
                                                                 : simulation::ControlTint::Default);
        break;
    case Kind::Accessibility:
        describeKeyWindow();
        break;
    case Kind::Quit:
        if (!finished_ && application_)
            application_->terminate(Id());
        finished_ = true;
        break;
    }
}

void DesktopSession::press(const KeyStroke& keys)
{
    // Typed on the desktop's keyboard: event taps first, then system-wide
    // hot keys (the global shortcut among them), then the frontmost program.
    auto desktop = simulation::SimulatedDesktop::current();
    auto& keyboard = *desktop->keyboard();
    std::size_t before = keyboard.deliveries().size();
    keyboard.pressKey(keys.keyCode, keys.modifierFlags | heldModifierFlags());
    settle();
    auto deliveries = keyboard.deliveries();
    for (std::size_t i = before; i < deliveries.size(); ++i) {
        const auto& delivery = deliveries[i];
        if (delivery.pid == desktop->ownProcess() || delivery.event.type != simulation::KeyEventType::KeyDown)
            continue;
        auto receiver = desktop->application(delivery.pid);
        transcript_.note("the key goes to " + (receiver && receiver->localizedName
                                                   ? receiver->localizedName->utf8()
                                                   : "pid " + std::to_string(delivery.pid)));
    }
}

void DesktopSession::holdModifier(const KeyStroke& key, bool down)
{
    if (heldModifiers_.contains(key.keyCode) == down) {
        transcript_.note(down ? "the key is down already" : "the key is not down");
        return;
    }
    if (down)
        heldModifiers_[key.keyCode] = key.modifierFlags;
    else
        heldModifiers_.erase(key.keyCode);
    // The flag stays while the other key of the pair is held.
    simulation::SimulatedDesktop::current()->keyboard()->flagsChanged(key.keyCode, heldModifierFlags());
    settle();
}

NSEventModifierFlags DesktopSession::heldModifierFlags() const
{
    NSEventModifierFlags held = 0;
    for (const auto& [keyCode, flag] : heldModifiers_)
        held |= flag;
    return held;
}

void DesktopSession::shortcut()
{
    static const Selector action("performShortcutAction:");
    auto delegate = std::dynamic_pointer_cast<NSObject>(application_->delegate());
    if (!delegate || !delegate->respondsToSelector(action)) {
        transcript_.note("nothing takes the global shortcut");
        return;
    }
    delegate->performSelector(action, Id());
}

void DesktopSession::clickStatusItem(NSStatusItem& item)
{
    auto button = item.button();
    auto window = button ? button->window() : nullptr;
    if (!window)
        return;
    NSRect frame = button->frame();
    NSPoint centre = NSMakePoint(frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2);
    for (NSEventType type : {NSEventTypeLeftMouseDown, NSEventTypeLeftMouseUp})
        application_->sendEvent(NSEvent::mouseEventWithType(type, centre, 0, 0, window->windowNumber(), Id(), 0, 1, 1));
    settle();
}

void DesktopSession::chooseMenuItem(const std::string& title)
{
    std::string wanted = menuKey(title);
    for (const auto& item : NSStatusBar::systemStatusBar().statusItems()) {
        auto menu = item->menu();
        if (!menu)
            continue;
        for (const auto& entry : menu->itemArray()) {
            if (entry->isSeparatorItem() || menuKey(entry->title().utf8()) != wanted)
                continue;
            // The user clicks the status item, which opens its menu (and
            // closes the popovers that a click outside them closes), then
            // picks the item.
            clickStatusItem(*item);
            if (!entry->isEnabled() || !application_->sendAction(entry->action(), entry->target(), Id(entry)))
                transcript_.note("the item '" + entry->title().utf8() + "' did nothing");
            return;
        }
    }
    transcript_.note("no status menu item '" + title + "'");
}

void DesktopSession::closeWindow(const std::string& which)
{
    std::shared_ptr<NSWindow> window;
    if (which.empty()) {
        window = application_->keyWindow();
    } else {
        for (const auto& candidate : application_->orderedWindows()) {
            if (candidate->title().utf8() == which || candidate->className().utf8() == which) {
                window = candidate;
                break;
            }
        }
    }
    if (!window) {
        transcript_.note(which.empty() ? std::string("no key window") : "no window '" + which + "' on screen");
        return;
    }
    window->performClose(Id());
}

void DesktopSession::pass(double seconds)
{
    if (auto virtualClock = std::dynamic_pointer_cast<VirtualClock>(Clock::current())) {
        virtualClock->advance(seconds);
        return;
    }
    auto& runLoop = NSRunLoop::mainRunLoop();
    runLoop.performAfterDelay(seconds, [&runLoop] { runLoop.stop(); });
    runLoop.run();
}

void DesktopSession::settle()
{
    NSRunLoop::mainRunLoop().runUntilIdle();
}

std::optional<pid_t> DesktopSession::findApplication(const std::string& name) const
{
    auto desktop = simulation::SimulatedDesktop::current();
    auto running = desktop->runningApplications();
    if (!name.empty() && std::all_of(name.begin(), name.end(), ::isdigit)) {
        pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
        return desktop->isRunning(pid) ? std::optional<pid_t>(pid) : std::nullopt;
    }
    for (const auto& application : running)
        if (!application.terminated && application.bundleIdentifier && application.bundleIdentifier->utf8() == name)
            return application.pid;
    for (const auto& application : running)
        if (!application.terminated && application.localizedName &&
            lowered(application.localizedName->utf8()) == lowered(name))
            return application.pid;
    return std::nullopt;
}
