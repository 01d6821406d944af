#include "viewmodels/MainTopBarVM.h"

#include "viewmodels/ViewModelTexts.h"
#include "core/IUIService.h"
#include "core/MessageBus.h"
#include "app/MovableWidget.h"
#include "core/ServiceContainer.h"
#include "device/LumenCommunicationService.h"

#include <utility>

namespace {
constexpr uint32_t kAltoProductId = 0x30;
constexpr uint32_t kTenorProductId = 0x31;
constexpr uint32_t kBassoProductId = 0x32;
constexpr uint32_t kVolumeProductIdA = 0x21;
constexpr uint32_t kVolumeProductIdB = 0x22;

const QString kStatusName = QStringLiteral("Status");
} // namespace

MainTopBarVM::MainTopBarVM(QSharedPointer<IUIService> ui, QSharedPointer<LumenCommunicationService> communication,
                           QSharedPointer<MessageBus> bus, QObject *parent)
    : QObject(parent),
      m_ui(std::move(ui)),
      m_communication(std::move(communication)),
      m_bus(std::move(bus)),
      m_menuModel(new QStringListModel())
{
    m_communication->setPnPEventListener(this);
    QStringList names;
    const uint32_t count = m_communication->deviceCount();
    if (count == 0 || count > 1) {
        names << kStatusName;
        m_pageUrls << ViewModelTexts::kStatusView;
    } else {
        buildMenuForProduct(names);
    }
    m_menuModel->setStringList(names);
}

MainTopBarVM::~MainTopBarVM()
{
    // The service keeps a plain pointer to its PnP listener.
    m_communication->clearPnPEventListener(this);
}

void MainTopBarVM::buildMenuForProduct(QStringList &names)
{
    m_pageUrls.clear();
    names << kStatusName;
    m_pageUrls << ViewModelTexts::kStatusView;
    switch (m_communication->productId()) {
    case kAltoProductId:
    case kTenorProductId:
    case kBassoProductId:
        // These pages send the family's vendor requests: another vendor's device with a
        // mixer's product id gets the tabs of an unknown product.
        if (m_communication->vendorId() != LumenVendorId)
            break;
        names << QStringLiteral("Audio Routing") << QStringLiteral("Ducker");
        m_pageUrls << ViewModelTexts::kAudioRoutingView << ViewModelTexts::kDuckerView;
        break;
    case kVolumeProductIdA:
    case kVolumeProductIdB:
        names << QStringLiteral("Volume");
        m_pageUrls << ViewModelTexts::kVolumeView;
        break;
    default:
        break;
    }
    names << QStringLiteral("Buffer Settings") << QStringLiteral("Info");
    m_pageUrls << ViewModelTexts::kBufferSettingsView << ViewModelTexts::kInfoView;
}

void MainTopBarVM::rebuildMenu()
{
    QStringList names;
    buildMenuForProduct(names);
    m_menuModel->setStringList(names);
    emit menuListChanged();
}

void MainTopBarVM::showStatusOnlyMenu()
{
    // The URL list stays: its first entry is always the status page.
    m_menuModel->setStringList(QStringList{kStatusName});
    emit menuListChanged();
}

void MainTopBarVM::setCurrentPageIndex(int index)
{
    if (index == m_currentPageIndex)
        return;
    m_currentPageIndex = index;
    emit currentPageIndexChanged();
}

void MainTopBarVM::menuSelected(int index)
{
    if (index < 0 || index >= m_pageUrls.size())
        return;
    setCurrentPageIndex(index);
    m_ui->showMasterView(m_pageUrls.at(index));
}

void MainTopBarVM::closeApplication()
{
    // Only hides: the process goes on in the tray.
    if (ServiceContainer *container = ServiceContainer::instance()) {
        if (const auto window = container->resolve<MovableWidget>())
            window->hide();
    }
}

void MainTopBarVM::onActivate()
{
    m_bus->subscribe(this, &MainTopBarVM::onConnectedChanged, ViewModelTexts::kMsgConnected);
    m_ui->showMasterView(ViewModelTexts::kStatusView);
}

bool MainTopBarVM::onDeactivate()
{
    m_bus->unsubscribe(this, &MainTopBarVM::onConnectedChanged, ViewModelTexts::kMsgConnected);
    return true;
}

void MainTopBarVM::onConnectedChanged(QVariant value)
{
    if (value.toBool()) {
        rebuildMenu();
        return;
    }
    showStatusOnlyMenu();
    m_ui->showMasterView(m_pageUrls.value(0, ViewModelTexts::kStatusView));
    setCurrentPageIndex(0);
}

void MainTopBarVM::onDeviceArrived() { handlePlugEvent(false); }

void MainTopBarVM::onDeviceRemoved() { handlePlugEvent(true); }

void MainTopBarVM::handlePlugEvent(bool removed)
{
    m_bus->publish(true, ViewModelTexts::kMsgResetDropDown);
    if (m_communication->deviceCount() == 1) {
        m_communication->setDeviceIndex(0);
        const QStringList names = m_communication->deviceNames();
        if (names.isEmpty())
            return;
        m_communication->setDeviceName(names.first());
        m_communication->openDevice();
        // A failed open (reported to the pages) shows no device's tabs.
        if (m_communication->deviceHandle())
            rebuildMenu();
        else
            showStatusOnlyMenu();
    } else {
        showStatusOnlyMenu();
        if (removed)
            m_bus->publish(true, ViewModelTexts::kMsgResetState);
    }
    m_ui->showMasterView(m_pageUrls.value(0, ViewModelTexts::kStatusView));
    setCurrentPageIndex(0);
}
