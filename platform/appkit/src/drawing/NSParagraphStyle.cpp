#include "appkit/NSParagraphStyle.h"

std::shared_ptr<NSParagraphStyle> NSParagraphStyle::defaultParagraphStyle()
{
    static const auto* style = new std::shared_ptr<NSParagraphStyle>(std::make_shared<NSParagraphStyle>());
    return *style;
}

std::shared_ptr<NSMutableParagraphStyle> NSParagraphStyle::mutableCopy() const
{
    auto copy = std::make_shared<NSMutableParagraphStyle>();
    copy->setAlignment(alignment_);
    copy->setLineBreakMode(lineBreakMode_);
    copy->setLineSpacing(lineSpacing_);
    return copy;
}

bool NSParagraphStyle::isEqual(const Id& other) const
{
    auto style = other.object<NSParagraphStyle>();
    return style && style->alignment_ == alignment_ && style->lineBreakMode_ == lineBreakMode_ &&
           style->lineSpacing_ == lineSpacing_;
}

std::size_t NSParagraphStyle::hash() const
{
    return std::size_t(alignment_) * 31 + std::size_t(lineBreakMode_);
}
