#include "platform/usb/CUsbNotifications.h"

#include "platform/CMainEventQueue.h"

#include <mutex>

namespace NSPlatform
{

namespace
{

struct SNotification
{
    CUsbBus::ENotification mKind;
    uint16_t mVendor;
    uint16_t mProduct;
    std::function<void()> mOnReady; // set once, main thread only after that
    std::deque<TUsbServiceId> mQueue;
    bool mArmed = false;
    bool mAlive = true;
};

} // namespace

// Its own lock, not the bus's: an iterator may be drained or dropped after the
// bus is gone. Taken under the bus's lock, never the other way round.
struct CUsbNotifications::SShared
{
    std::mutex mLock;
    std::vector<std::weak_ptr<SNotification>> mNotifications;
};

namespace
{

class CNotificationIterator : public CUsbIterator
{
public:
    CNotificationIterator(std::shared_ptr<CUsbNotifications::SShared> shared,
                          std::shared_ptr<SNotification> notification)
        : fShared(std::move(shared)), fNotification(std::move(notification))
    {
    }
    ~CNotificationIterator() override
    {
        std::lock_guard<std::mutex> guard(fShared->mLock);
        fNotification->mAlive = false;
    }
    TUsbServiceId Next() override
    {
        std::lock_guard<std::mutex> guard(fShared->mLock);
        if (fNotification->mQueue.empty())
        {
            fNotification->mArmed = true;
            return 0;
        }
        TUsbServiceId id = fNotification->mQueue.front();
        fNotification->mQueue.pop_front();
        return id;
    }

private:
    std::shared_ptr<CUsbNotifications::SShared> fShared;
    std::shared_ptr<SNotification> fNotification;
};

} // namespace

CUsbNotifications::CUsbNotifications() : fShared(std::make_shared<SShared>()) {}

CUsbNotifications::~CUsbNotifications() = default;

std::unique_ptr<CUsbIterator> CUsbNotifications::Add(CUsbBus::ENotification kind, uint16_t vendor,
                                                     uint16_t product,
                                                     std::function<void()> onReady,
                                                     std::deque<TUsbServiceId> present)
{
    auto notification = std::make_shared<SNotification>();
    notification->mKind = kind;
    notification->mVendor = vendor;
    notification->mProduct = product;
    notification->mOnReady = std::move(onReady);
    notification->mQueue = std::move(present);
    std::lock_guard<std::mutex> guard(fShared->mLock);
    std::erase_if(fShared->mNotifications, [](auto& weak) { return weak.expired(); });
    fShared->mNotifications.push_back(notification);
    return std::make_unique<CNotificationIterator>(fShared, notification);
}

void CUsbNotifications::Notify(CUsbBus::ENotification kind, uint16_t vendor, uint16_t product,
                               TUsbServiceId id, TReady& ready)
{
    std::lock_guard<std::mutex> guard(fShared->mLock);
    for (auto& weak : fShared->mNotifications)
    {
        auto notification = weak.lock();
        if (!notification || notification->mKind != kind || notification->mVendor != vendor ||
            notification->mProduct != product)
            continue;
        notification->mQueue.push_back(id);
        if (notification->mArmed)
        {
            notification->mArmed = false;
            std::weak_ptr<SNotification> target = notification;
            ready.push_back(
                [target]
                {
                    auto live = target.lock();
                    if (live && live->mAlive && live->mOnReady)
                        live->mOnReady();
                });
        }
    }
}

void CUsbNotifications::Post(TReady& ready)
{
    for (auto& work : ready)
        CMainEventQueue::Main().Post(std::move(work));
    ready.clear();
}

} // namespace NSPlatform
