#include "scale/modbus/modbus_settings.h"

#include <algorithm>

namespace {

constexpr int kRegisterSpace = 65536;

} // namespace

ModbusSettings ModbusSettings::FromConfig(const ProgramConfig &config)
{
    ModbusSettings s;
    s.unit = std::clamp(config.modbusUnit, 1, 247);
    s.weightRegister = std::clamp(config.modbusRegister, 0, kRegisterSpace - 1);
    s.registerKind = config.modbusRegisterKind == Input ? Input : Holding;
    s.format = std::clamp(config.modbusFormat, int(Int16), int(Float32));
    s.wordOrder = config.modbusWordOrder == LowWordFirst ? LowWordFirst : HighWordFirst;
    s.scale = config.modbusScale;
    s.decimals = std::clamp(config.modbusDecimals, 0, 6);
    s.statusRegister = std::clamp(config.modbusStatusRegister, -1, kRegisterSpace - 1);
    s.stableBit = std::clamp(config.modbusStableBit, 0, 15);
    s.parity = std::clamp(config.modbusParity, int(NoParity), int(OddParity));
    s.pollMs = std::clamp(config.scaleRequestMs, kMinPollMs, kMaxPollMs);
    return s;
}

int ModbusSettings::WeightRegisterCount() const
{
    return format == Int16 || format == UInt16 ? 1 : 2;
}

ModbusReadPlan ModbusReadPlan::For(const ModbusSettings &settings)
{
    ModbusReadPlan plan;
    const int w = settings.weightRegister;
    const int n = settings.WeightRegisterCount();
    if (w < 0 || w + n > kRegisterSpace)
        return plan;
    if (!settings.HasStatus()) {
        plan.reads = {{w, n}};
        return plan;
    }
    const int s = settings.statusRegister;
    if (s >= kRegisterSpace)
        return plan;
    if (s >= w - 1 && s <= w + n) {
        const int first = std::min(w, s);
        plan.reads = {{first, std::max(w + n, s + 1) - first}};
    } else {
        plan.reads = {{w, n}, {s, 1}};
    }
    return plan;
}

std::optional<ModbusReadPlan::Values> ModbusReadPlan::Extract(const ModbusSettings &settings,
                                                              const QList<QList<quint16>> &replies) const
{
    if (reads.isEmpty() || replies.size() != reads.size())
        return std::nullopt;
    for (qsizetype i = 0; i < reads.size(); ++i) {
        if (replies[i].size() != reads[i].count)
            return std::nullopt;
    }
    const auto valueAt = [&](int address) -> std::optional<quint16> {
        for (qsizetype i = 0; i < reads.size(); ++i) {
            if (address >= reads[i].start && address < reads[i].start + reads[i].count)
                return replies[i][address - reads[i].start];
        }
        return std::nullopt;
    };
    Values v;
    for (int k = 0; k < settings.WeightRegisterCount(); ++k) {
        const auto x = valueAt(settings.weightRegister + k);
        if (!x)
            return std::nullopt;
        v.weight << *x;
    }
    if (settings.HasStatus()) {
        v.status = valueAt(settings.statusRegister);
        if (!v.status)
            return std::nullopt;
    }
    return v;
}
