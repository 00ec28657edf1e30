#include "scale/modbus/modbus_registers.h"

#include <bit>
#include <cmath>

namespace {

// Beyond this a double no longer holds every integer: the digits shown would be invented.
constexpr double kLargestExact = 9007199254740992.0; // 2^53

IndicatorFrame ErrorFrame(const QByteArray &note, IndicatorFrame::Kind kind = IndicatorFrame::Kind::Error)
{
    IndicatorFrame f;
    f.kind = kind;
    f.note = note;
    return f;
}

const char *ExceptionName(int code)
{
    switch (code) {
    case 0x01:
        return "illegal function";
    case 0x02:
        return "illegal data address";
    case 0x03:
        return "illegal data value";
    case 0x04:
        return "server device failure";
    case 0x05:
        return "acknowledge";
    case 0x06:
        return "server device busy";
    case 0x08:
        return "memory parity error";
    case 0x0A:
        return "gateway path unavailable";
    case 0x0B:
        return "gateway target failed to respond";
    default:
        return "unknown";
    }
}

} // namespace

std::optional<QByteArray> FixedWeightText(double value, int decimals)
{
    if (!std::isfinite(value) || decimals < 0 || decimals > 9)
        return std::nullopt;
    const double scaled = value * std::pow(10.0, decimals);
    // A tiny nudge away from zero: 12.345 is 12.344999... in binary and
    // must still round up like the decimal number it stands for.
    const double rounded = std::round(scaled + std::copysign(std::abs(scaled) * 1e-12, scaled));
    if (std::abs(rounded) >= kLargestExact)
        return std::nullopt;
    const auto units = static_cast<qint64>(rounded);
    QByteArray digits = QByteArray::number(units < 0 ? -units : units);
    if (digits.size() <= decimals)
        digits.prepend(QByteArray(decimals + 1 - digits.size(), '0'));
    if (decimals > 0)
        digits.insert(digits.size() - decimals, '.');
    if (units < 0)
        digits.prepend('-');
    return digits;
}

IndicatorFrame DecodeModbusWeight(const QList<quint16> &weightRegisters, std::optional<quint16> status,
                                  const ModbusSettings &settings)
{
    const int needed = settings.WeightRegisterCount();
    if (weightRegisters.size() != needed) {
        return ErrorFrame(QByteArrayLiteral("expected ") + QByteArray::number(needed) + " register(s), got " +
                              QByteArray::number(weightRegisters.size()),
                          IndicatorFrame::Kind::Malformed);
    }

    double raw = 0;
    if (needed == 1) {
        raw =
            settings.format == ModbusSettings::Int16 ? double(qint16(weightRegisters[0])) : double(weightRegisters[0]);
    } else {
        const bool highFirst = settings.wordOrder == ModbusSettings::HighWordFirst;
        const quint32 high = highFirst ? weightRegisters[0] : weightRegisters[1];
        const quint32 low = highFirst ? weightRegisters[1] : weightRegisters[0];
        const quint32 bits = (high << 16) | low;
        switch (settings.format) {
        case ModbusSettings::Int32:
            raw = double(qint32(bits));
            break;
        case ModbusSettings::Float32: {
            const float f = std::bit_cast<float>(bits);
            if (std::isnan(f))
                return ErrorFrame("float register holds NaN");
            if (std::isinf(f))
                return ErrorFrame("float register holds infinity");
            raw = double(f);
            break;
        }
        default:
            raw = double(bits);
            break;
        }
    }

    // An integer register counts in units of the last shown digit (the
    // indicator's implied decimal point); a float holds the weight itself.
    if (settings.format != ModbusSettings::Float32)
        raw /= std::pow(10.0, settings.decimals);
    const auto text = FixedWeightText(raw * settings.scale, settings.decimals);
    if (!text)
        return ErrorFrame("weight out of range");

    IndicatorFrame f;
    f.kind = IndicatorFrame::Kind::Weight;
    f.weightText = *text;
    if (settings.HasStatus() && status) {
        const bool stable = (*status >> settings.stableBit) & 1u;
        f.stability = stable ? IndicatorFrame::Stability::Stable : IndicatorFrame::Stability::Moving;
    }
    return f;
}

QModbusRequest ModbusReadRequest(int registerKind, const ModbusRead &read)
{
    const auto code =
        registerKind == ModbusSettings::Input ? QModbusPdu::ReadInputRegisters : QModbusPdu::ReadHoldingRegisters;
    return QModbusRequest(code, quint16(read.start), quint16(read.count));
}

QByteArray ModbusPduBytes(const QModbusPdu &pdu)
{
    quint8 code = quint8(pdu.functionCode());
    if (pdu.isException())
        code |= QModbusPdu::ExceptionByte;
    return QByteArray(1, char(code)) + pdu.data();
}

IndicatorFrame ModbusExceptionFrame(const QModbusPdu &reply)
{
    const int code = reply.dataSize() > 0 ? quint8(reply.data().at(0)) : -1;
    QByteArray note = "Modbus exception ";
    if (code < 0)
        note += "without a code";
    else
        note += QByteArray::number(code, 16).rightJustified(2, '0').toUpper() + " (" + ExceptionName(code) + ")";
    return ErrorFrame(note);
}
