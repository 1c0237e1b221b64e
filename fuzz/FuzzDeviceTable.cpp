// The device table's load: the device list from PXDEVICES (or, without it, one entry per section),
// then the profile of each of the first devices, with its range checks, field lines and
// configuration words. Template files and extension tables are not found (the shared context's
// directory does not exist), which the load reports and passes over.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "core/devices/DeviceProfileLoader.h"
#include "core/model/DeviceList.h"
#include "core/util/ErrorOut.h"
#include "core/util/IniFile.h"

namespace PraxonFuzz {

namespace {
constexpr int DevicesLoaded = 3;
}

int DeviceTableLoad(const uint8_t* data, size_t size)
{
    AppContext& ctx = SharedContext();
    IniFile table;
    table.SetText(Latin1(data, size));
    QStringList lines = table.ReadSectionLines(QStringLiteral("PXDEVICES"));
    if (lines.isEmpty()) {
        for (const QString& section : table.SectionNames())
            lines << section + QStringLiteral("=0000");
    }
    ctx.Devices().SetLines(lines);
    const int count = qMin(ctx.Devices().Count(), DevicesLoaded);
    for (int i = 0; i < count; ++i) {
        ctx.Devices().SetSelectedIndex(i);
        try {
            LoadDeviceProfile(ctx, table);
        } catch (const ErrorOut&) {
        }
        const DeviceProfile& p = ctx.Profile();
        if (p.cfgWords < 0 || p.cfgWords > DeviceProfile::MaxConfigWords)
            Fail("devicetable: a configuration-word count the image cannot hold");
    }
    return 0;
}

} // namespace PraxonFuzz
