#pragma once

// How the weight is read from a Modbus indicator: which registers, in what
// form, and the requests one poll makes.

#include "core/program_config.h"

#include <QList>

#include <optional>

struct ModbusSettings {
    enum RegisterKind { Holding = 0, Input = 1 };
    enum Format { Int16 = 0, UInt16 = 1, Int32 = 2, UInt32 = 3, Float32 = 4 };
    enum WordOrder { HighWordFirst = 0, LowWordFirst = 1 };
    enum Parity { NoParity = 0, EvenParity = 1, OddParity = 2 };

    static constexpr int kMinPollMs = 50;
    static constexpr int kMaxPollMs = 5000;

    int unit = 1;           // 1..247
    int weightRegister = 0; // 0..65535, the protocol address (not 40001-style)
    int registerKind = Holding;
    int format = Int32;
    int wordOrder = HighWordFirst;
    double scale = 1.0;      // the value shown is raw x scale (integers: / 10^decimals first)
    int decimals = 2;        // 0..6: shown, and the implied decimal point of integer registers
    int statusRegister = -1; // -1: none
    int stableBit = 0;       // 0..15
    int parity = NoParity;   // serial line only
    int pollMs = 200;        // poll interval and reply time-out

    // Out-of-range values are clamped, so a hand-edited konfig.ini cannot
    // make an impossible request.
    static ModbusSettings FromConfig(const ProgramConfig &config);

    // 1 for the 16-bit formats, 2 for the 32-bit ones and float.
    int WeightRegisterCount() const;
    bool HasStatus() const { return statusRegister >= 0; }
};

// One read request: `count` registers from `start`.
struct ModbusRead {
    int start = 0;
    int count = 0;
    bool operator==(const ModbusRead &) const = default;
};

// The requests of one poll, sent one after another. The status register is
// read in the same request when it is next to (or inside) the weight's
// registers; otherwise it costs a request of its own, so that no register
// the indicator may not have is ever asked for.
struct ModbusReadPlan {
    QList<ModbusRead> reads; // empty: the registers do not fit the address space

    static ModbusReadPlan For(const ModbusSettings &settings);

    // Picks the weight registers and the status out of the replies (one
    // list of values per read, in order). Nothing when a reply is short.
    struct Values {
        QList<quint16> weight;
        std::optional<quint16> status;
    };
    std::optional<Values> Extract(const ModbusSettings &settings, const QList<QList<quint16>> &replies) const;
};
