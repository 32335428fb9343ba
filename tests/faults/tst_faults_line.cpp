// Each entry of the data menu when its port is missing or held by another
// open, and when the instrument goes away before or in the middle of its data.
#include "FaultMatrix.h"

#include <QTest>

class TestFaultsLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachEntry_data()
    {
        addFaultRows({Fault::PortMissing, Fault::PortBusy, Fault::VanishBeforeData, Fault::VanishMidLine});
    }
    void eachEntry() { runFaultRow(); }
};

QTEST_MAIN(TestFaultsLine)
#include "tst_faults_line.moc"
