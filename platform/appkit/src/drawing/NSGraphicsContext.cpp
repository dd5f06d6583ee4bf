#include "appkit/NSGraphicsContext.h"

#include "appkit/NSBitmapImageRep.h"

#include <utility>
#include <vector>

namespace {

thread_local std::shared_ptr<NSGraphicsContext> current;
thread_local std::vector<std::shared_ptr<NSGraphicsContext>> savedContexts;

// Operations and the blend modes that carry them out.
constexpr std::pair<NSCompositingOperation, CGBlendMode> kOperations[] = {
    {NSCompositingOperationClear, kCGBlendModeClear},
    {NSCompositingOperationCopy, kCGBlendModeCopy},
    {NSCompositingOperationSourceOver, kCGBlendModeNormal},
    {NSCompositingOperationSourceIn, kCGBlendModeSourceIn},
    {NSCompositingOperationSourceOut, kCGBlendModeSourceOut},
    {NSCompositingOperationSourceAtop, kCGBlendModeSourceAtop},
    {NSCompositingOperationDestinationOver, kCGBlendModeDestinationOver},
    {NSCompositingOperationDestinationIn, kCGBlendModeDestinationIn},
    {NSCompositingOperationDestinationOut, kCGBlendModeDestinationOut},
    {NSCompositingOperationDestinationAtop, kCGBlendModeDestinationAtop},
    {NSCompositingOperationXOR, kCGBlendModeXOR},
    {NSCompositingOperationPlusDarker, kCGBlendModePlusDarker},
    {NSCompositingOperationPlusLighter, kCGBlendModePlusLighter},
    {NSCompositingOperationMultiply, kCGBlendModeMultiply},
    {NSCompositingOperationScreen, kCGBlendModeScreen},
    {NSCompositingOperationOverlay, kCGBlendModeOverlay},
    {NSCompositingOperationDarken, kCGBlendModeDarken},
    {NSCompositingOperationLighten, kCGBlendModeLighten},
    {NSCompositingOperationColorDodge, kCGBlendModeColorDodge},
    {NSCompositingOperationColorBurn, kCGBlendModeColorBurn},
    {NSCompositingOperationSoftLight, kCGBlendModeSoftLight},
    {NSCompositingOperationHardLight, kCGBlendModeHardLight},
    {NSCompositingOperationDifference, kCGBlendModeDifference},
    {NSCompositingOperationExclusion, kCGBlendModeExclusion},
    {NSCompositingOperationHue, kCGBlendModeHue},
    {NSCompositingOperationSaturation, kCGBlendModeSaturation},
    {NSCompositingOperationColor, kCGBlendModeColor},
    {NSCompositingOperationLuminosity, kCGBlendModeLuminosity},
};

}  // namespace

CGBlendMode NSBlendModeForCompositingOperation(NSCompositingOperation operation)
{
    for (auto [op, mode] : kOperations)
        if (op == operation)
            return mode;
    return kCGBlendModeNormal;
}

NSGraphicsContext::NSGraphicsContext(CGContextRef context, bool flipped)
    : context_(std::move(context))
    , flipped_(flipped)
{
}

std::shared_ptr<NSGraphicsContext> NSGraphicsContext::graphicsContextWithCGContext(const CGContextRef& context,
                                                                                   bool flipped)
{
    if (!context)
        return nullptr;
    return std::make_shared<NSGraphicsContext>(context, flipped);
}

std::shared_ptr<NSGraphicsContext> NSGraphicsContext::graphicsContextWithBitmapImageRep(
    const std::shared_ptr<NSBitmapImageRep>& bitmap)
{
    if (!bitmap)
        return nullptr;
    auto context = bitmap->makeContext();
    return context ? std::make_shared<NSGraphicsContext>(context, false) : nullptr;
}

std::shared_ptr<NSGraphicsContext> NSGraphicsContext::currentContext()
{
    return current;
}

void NSGraphicsContext::setCurrentContext(const std::shared_ptr<NSGraphicsContext>& context)
{
    current = context;
}

void NSGraphicsContext::saveCurrentGraphicsState()
{
    savedContexts.push_back(current);
    if (current)
        current->saveGraphicsState();
}

void NSGraphicsContext::restoreCurrentGraphicsState()
{
    if (savedContexts.empty())
        return;
    current = std::move(savedContexts.back());
    savedContexts.pop_back();
    if (current)
        current->restoreGraphicsState();
}

void NSGraphicsContext::saveGraphicsState()
{
    CGContextSaveGState(context_);
}

void NSGraphicsContext::restoreGraphicsState()
{
    CGContextRestoreGState(context_);
}

bool NSGraphicsContext::shouldAntialias() const
{
    return context_->state().antialias;
}

void NSGraphicsContext::setShouldAntialias(bool antialias)
{
    CGContextSetShouldAntialias(context_, antialias);
}

NSCompositingOperation NSGraphicsContext::compositingOperation() const
{
    for (auto [op, mode] : kOperations)
        if (mode == context_->state().blendMode)
            return op;
    return NSCompositingOperationSourceOver;
}

void NSGraphicsContext::setCompositingOperation(NSCompositingOperation operation)
{
    CGContextSetBlendMode(context_, NSBlendModeForCompositingOperation(operation));
}

ScopedCurrentContext::ScopedCurrentContext(std::shared_ptr<NSGraphicsContext> context)
    : previous_(std::move(current))
{
    current = std::move(context);
}

ScopedCurrentContext::~ScopedCurrentContext()
{
    current = std::move(previous_);
}
