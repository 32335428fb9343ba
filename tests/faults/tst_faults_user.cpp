// Each entry of the data menu when the user presses ESC, or closes the main
// window, in each wait of the download.
#include "FaultMatrix.h"

#include <QTest>

class TestFaultsUser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachEntry_data()
    {
        addFaultRows({Fault::EscWaiting, Fault::EscAnswered, Fault::EscReceiving, Fault::CloseWaiting,
                      Fault::CloseAnswered, Fault::CloseReceiving});
    }
    void eachEntry() { runFaultRow(); }
};

QTEST_MAIN(TestFaultsUser)
#include "tst_faults_user.moc"
