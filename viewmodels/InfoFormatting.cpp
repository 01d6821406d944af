#include "viewmodels/InfoFormatting.h"

#include "viewmodels/ViewModelTexts.h"

namespace InfoFormatting {

namespace {
// USB ids are 16 bits, written with four hex digits.
QString usbIdText(uint32_t id)
{
    return QStringLiteral("0x") + QString::number(id, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}
} // namespace

QString vendorIdText(uint32_t vendorId) { return usbIdText(vendorId); }

QString productIdText(uint32_t productId) { return usbIdText(productId); }

QString revisionText(uint32_t revisionId)
{
    const QString hex = QString::number(revisionId, 16).toUpper().rightJustified(3, QLatin1Char('0'));
    return hex.left(1) + QLatin1Char('.') + hex.mid(1, 2);
}

QString mixerSerialText(const QString &displayName, const QString &serialString)
{
    if (!displayName.contains(QLatin1Char('-')))
        return serialString;
    // The second "-"-separated part, empty parts kept.
    return displayName.section(QLatin1Char('-'), 1, 1);
}

QString otherProductText(const QString &displayName, const QString &manufacturer)
{
    // Removing "" + " " would strip every space of the name.
    if (manufacturer.isEmpty())
        return displayName;
    QString product = displayName;
    product.remove(manufacturer + QLatin1Char(' '), Qt::CaseSensitive);
    return product;
}

QString apiVersionText(uint32_t major, uint32_t minor, uint32_t patch)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
}

QString buildTypeText(uint32_t flags)
{
    return ViewModelTexts::shown((flags & 1u) ? ViewModelTexts::kDebug : ViewModelTexts::kRelease);
}

QString streamingStateText(uint32_t state)
{
    if (state == 1)
        return ViewModelTexts::shown(ViewModelTexts::kActive);
    if (state == 0)
        return ViewModelTexts::shown(ViewModelTexts::kStopped);
    return QString();
}

} // namespace InfoFormatting
