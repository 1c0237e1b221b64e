#include "core/devices/OperationRegions.h"

#include "core/model/DeviceProfile.h"

namespace {

qint64 EeRegion(const DeviceProfile& p)
{
    return p.eeLoc != 0 ? qint64(p.eeLoc) + 1 : qint64(p.ee);
}

qint64 IdRegion(const DeviceProfile& p)
{
    if (p.core == CoreFamily::Core18X)
        return 8;
    return p.idLoc == 0x2000 ? 4 : qint64(p.idLoc) + 1;
}

qint64 ConfigRegion(const DeviceProfile& p)
{
    return p.cfgWords >= 2 ? p.cfgWords : 0;
}

bool Is18X(const DeviceProfile& p)
{
    return p.core == CoreFamily::Core18X;
}

} // namespace

qint64 RegionSize(int slot, const DeviceProfile& p)
{
    switch (slot) {
    case 0:
        if (p.core != CoreFamily::Core5X)
            return 0;
        if (p.eeLoc != 0)
            return qint64(p.idLoc) + 1;
        return p.hasCalibration ? qint64(p.bcalLoc) + 1 : qint64(p.idLoc) + 1;
    case 1:
    case 5:
    case 9:
    case 17: return p.rom;
    case 2:
    case 6: return EeRegion(p);
    case 10:
    case 18: return Is18X(p) ? qint64(p.ee) : EeRegion(p);
    case 3: return IdRegion(p);
    case 8:
    case 12:
    case 20: return Is18X(p) ? 4 : IdRegion(p);
    case 4:
    case 15:
    case 16:
    case 21:
    case 29: return ConfigRegion(p);
    case 7:
    case 11:
    case 19: return p.calOffset != 0 ? qint64(p.calOffset) : qint64(p.rom) + 1;
    case 13:
    case 14:
    case 28: return 0;
    case 22:
    case 24:
    case 26: return Is18X(p) ? qint64(p.xcal) : 0;
    case 23:
    case 25:
    case 27: return qint64(p.rom) + 1;
    case 30:
    case 31:
    case 32: return qint64(p.bcalLoc) + 1;
    default: return 0; // 33 and above keep what they had: nothing at load
    }
}

bool SlotAbsentForDevice(int slot, const DeviceProfile& p)
{
    switch (slot) {
    case 0: return !p.flash;
    case 2: return p.ee == 0 || !p.flash;
    case 6:
    case 10:
    case 18: return p.ee == 0;
    case 7:
    case 11:
    case 19: return !p.hasCalibration;
    case 28: return !p.flash;
    case 22:
    case 24:
    case 26:
    case 23:
    case 25:
    case 27: return !p.hasExtraCalibration;
    case 30:
    case 31:
    case 32: return !p.bcal;
    default: return false;
    }
}
