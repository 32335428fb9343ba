// The instruments as the data menu names them: the one place a download's
// instrument name comes from (the history's file names and listing use it).
#pragma once

namespace InstrumentNames {

inline constexpr char Orvik[] = "ORVIK FE-B / FN-B";
inline constexpr char Varden[] = "DURAMO Varden";
inline constexpr char Fennix[] = "FENNIX FE-S / FN with Interface Cabel";
inline constexpr char FennixRadio[] = "FENNIX FE-S / FN with Radio Control";
inline constexpr char DuramoFn[] = "DURAMO FE-S / FN";
inline constexpr char DuramoSt[] = "DURAMO 5/10/20 ST";
inline constexpr char Kestra[] = "KESTRA II / DURAMO 80F-ST";
inline constexpr char Qf100[] = "QF-100";
inline constexpr char Qfu[] = "QFU-ST";
inline constexpr char Qf2000[] = "QF-2000";

inline constexpr const char *All[] = {Orvik, Varden, Fennix, FennixRadio, DuramoFn,
                                      DuramoSt, Kestra, Qf100, Qfu, Qf2000};

} // namespace InstrumentNames
