#include "appkit/NSRunningApplication.h"

#include "appkit/NSImage.h"
#include "foundation/NSException.h"
#include "foundation/NSURL.h"
#include "simulation/SimulatedDesktop.h"
#include "workspace/RunningProcess.h"

#include <unordered_map>

namespace {

// The objects of the current desktop's processes. A new desktop (a test's)
// starts a new table: its pids name other processes.
struct ProcessTable {
    std::mutex mutex;
    std::weak_ptr<simulation::SimulatedDesktop> desktop;
    std::unordered_map<pid_t, std::shared_ptr<NSRunningApplication>> objects;
};

ProcessTable& processTable()
{
    static auto* table = new ProcessTable;
    return *table;
}

simulation::ActivationRecord activationRequest(const simulation::SimulatedDesktop& desktop,
                                               NSApplicationActivationOptions options, const char* via)
{
    simulation::ActivationRecord record;
    if (pid_t own = desktop.ownProcess())
        record.requester = own;
    record.options = options;
    record.via = via;
    return record;
}

}  // namespace

namespace detail {

std::optional<simulation::SimulatedApplication> RunningProcess::state() const
{
    std::lock_guard lock(mutex_);
    if (auto desktop = desktop_.lock()) {
        if (auto application = desktop->application(pid_))
            lastSeen_ = std::move(application);
        else if (lastSeen_)
            lastSeen_->terminated = true;
    } else if (lastSeen_) {
        lastSeen_->terminated = true;
    }
    return lastSeen_;
}

}  // namespace detail

NSRunningApplication::NSRunningApplication(std::unique_ptr<detail::RunningProcess> process)
    : process_(std::move(process))
    , pid_(process_->pid())
{
}

NSRunningApplication::~NSRunningApplication() = default;

void NSRunningApplication::describe(ClassDescriptor& d)
{
    d.property<NSRunningApplication>("processIdentifier",
                                     [](NSRunningApplication& a) { return Id::number(a.processIdentifier()); });
    d.property<NSRunningApplication>("bundleIdentifier", [](NSRunningApplication& a) {
        auto value = a.bundleIdentifier();
        return value ? Id(*value) : Id();
    });
    d.property<NSRunningApplication>("localizedName", [](NSRunningApplication& a) {
        auto value = a.localizedName();
        return value ? Id(*value) : Id();
    });
    d.property<NSRunningApplication>("active", [](NSRunningApplication& a) { return Id::boolean(a.isActive()); });
    d.property<NSRunningApplication>("hidden", [](NSRunningApplication& a) { return Id::boolean(a.isHidden()); });
    d.property<NSRunningApplication>("terminated",
                                     [](NSRunningApplication& a) { return Id::boolean(a.isTerminated()); });
}

std::shared_ptr<NSRunningApplication> NSRunningApplication::forProcess(pid_t pid)
{
    auto current = simulation::SimulatedDesktop::current();
    auto& table = processTable();
    std::lock_guard lock(table.mutex);
    if (table.desktop.lock() != current) {
        table.objects.clear();
        table.desktop = current;
    }
    auto& slot = table.objects[pid];
    if (!slot)
        slot = std::make_shared<NSRunningApplication>(std::make_unique<detail::RunningProcess>(current, pid));
    return slot;
}

std::shared_ptr<NSRunningApplication> NSRunningApplication::currentApplication()
{
    pid_t own = simulation::SimulatedDesktop::current()->ownProcess();
    return own ? forProcess(own) : nullptr;
}

std::shared_ptr<NSRunningApplication> NSRunningApplication::runningApplicationWithProcessIdentifier(pid_t pid)
{
    return simulation::SimulatedDesktop::current()->isRunning(pid) ? forProcess(pid) : nullptr;
}

std::vector<std::shared_ptr<NSRunningApplication>>
NSRunningApplication::runningApplicationsWithBundleIdentifier(const String& bundleIdentifier)
{
    std::vector<std::shared_ptr<NSRunningApplication>> result;
    for (const auto& application : simulation::SimulatedDesktop::current()->runningApplications(bundleIdentifier))
        result.push_back(forProcess(application.pid));
    return result;
}

std::optional<String> NSRunningApplication::bundleIdentifier() const
{
    auto application = process_->state();
    return application ? application->bundleIdentifier : std::nullopt;
}

std::optional<String> NSRunningApplication::localizedName() const
{
    auto application = process_->state();
    return application ? application->localizedName : std::nullopt;
}

std::shared_ptr<NSURL> NSRunningApplication::bundleURL() const
{
    auto application = process_->state();
    if (!application || !application->bundlePath)
        return nullptr;
    return NSURL::fileURLWithPath(*application->bundlePath);
}

NSApplicationActivationPolicy NSRunningApplication::activationPolicy() const
{
    auto application = process_->state();
    return application ? static_cast<NSApplicationActivationPolicy>(application->activationPolicy)
                       : NSApplicationActivationPolicyProhibited;
}

std::shared_ptr<NSImage> NSRunningApplication::icon() const
{
    auto application = process_->state();
    std::lock_guard lock(iconMutex_);
    if (!application)
        return icon_;
    // What the icon is made from: asked again with the same source, the
    // same object comes back.
    String source = application->iconFile   ? String("file:").appending(*application->iconFile)
                    : application->iconName ? String("name:").appending(*application->iconName)
                                            : String("made");
    if (icon_ && source == iconSource_)
        return icon_;
    iconSource_ = source;
    icon_ = nullptr;
    if (application->iconFile)
        icon_ = NSImage::imageWithContentsOfFile(*application->iconFile);
    if (!icon_ && application->iconName) {
        // An icon the program's resources have is that image; any other is
        // known by its name only.
        icon_ = NSImage::imageNamed(*application->iconName);
        if (!icon_)
            icon_ = NSImage::generatedApplicationIcon(*application->iconName);
    }
    if (!icon_) {
        // Every application has an icon: one without a file of its own (or
        // whose file has gone) gets one made for it, known by the
        // application's name.
        String label = application->localizedName      ? *application->localizedName
                       : application->bundleIdentifier ? *application->bundleIdentifier
                                                       : String();
        icon_ = NSImage::generatedApplicationIcon(label);
    }
    return icon_;
}

bool NSRunningApplication::isActive() const
{
    auto desktop = process_->desktop();
    return desktop && !isTerminated() && desktop->frontmostApplication() == pid_;
}

bool NSRunningApplication::isHidden() const
{
    auto application = process_->state();
    return application && application->hidden;
}

bool NSRunningApplication::isTerminated() const
{
    auto application = process_->state();
    return !application || application->terminated;
}

bool NSRunningApplication::activateWithOptions(NSApplicationActivationOptions options)
{
    auto desktop = process_->desktop();
    return desktop && desktop->activate(pid_, activationRequest(*desktop, options, "activateWithOptions:"));
}

bool NSRunningApplication::activateFromApplication(const std::shared_ptr<NSRunningApplication>& application,
                                                   NSApplicationActivationOptions options)
{
    auto desktop = process_->desktop();
    if (!desktop)
        return false;
    if (desktop->operatingSystemVersion().majorVersion < 14)
        NSException::raise(NSInvalidArgumentException,
                           "-[NSRunningApplication activateFromApplication:options:]: unrecognized selector sent to "
                           "instance %p",
                           static_cast<void*>(this));
    auto record = activationRequest(*desktop, options, "activateFromApplication:options:");
    if (application)
        record.fromApplication = application->processIdentifier();
    return desktop->activate(pid_, record);
}

bool NSRunningApplication::hide()
{
    auto desktop = process_->desktop();
    return desktop && desktop->setHidden(pid_, true);
}

bool NSRunningApplication::unhide()
{
    auto desktop = process_->desktop();
    return desktop && desktop->setHidden(pid_, false);
}

bool NSRunningApplication::terminate()
{
    auto desktop = process_->desktop();
    return desktop && desktop->quitApplication(pid_);
}

String NSRunningApplication::description() const
{
    auto name = localizedName();
    auto identifier = bundleIdentifier();
    return String::format("<NSRunningApplication: pid=%d %s (%s)>", static_cast<int>(pid_),
                          name ? name->utf8().c_str() : "(no name)",
                          identifier ? identifier->utf8().c_str() : "(no identifier)");
}
