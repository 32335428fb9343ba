// The texts of --help, --version and the usage shown with a wrong command line.
#pragma once

#include <QString>

QString usageText();
QString helpText();
QString versionText();
