// SPDX-License-Identifier: MIT
#include "app/DeviceModels.h"

#include "panels/ks1.h"
#include "panels/ks2.h"
#include "panels/kt.h"

#include <QWidget>

namespace {

template <typename Panel>
QWidget *createPanel()
{
    return new Panel;
}

} // namespace

const std::vector<DeviceModel> &DeviceModels::all()
{
    // One row per model. A panel joins detection with its row here, e.g.
    //   {2, "KS2", &createPanel<ks2>, "Adding ks2 widget to layout.", "Zelvoro KS2 - FW: %1%2%3%4%5%6%7%8%9%10"},
    // (with its header included above).
    static const std::vector<DeviceModel> models = {
        {1, "KS1", &createPanel<ks1>, "Adding ks1 widget to layout.", "Zelvoro KS1 - FW: %1%2%3%4%5%6%7%8%9%10"},
        {2, "KS2", &createPanel<ks2>, "Adding ks2 widget to layout.", "Zelvoro KS2 - FW: %1%2%3%4%5%6%7%8%9%10"},
        {15, "KT", &createPanel<kt>, "Adding kt widget to layout.", "Zelvoro KT - FW: %1%2%3%4%5%6%7%8%9%10"},
    };
    return models;
}

const DeviceModel *DeviceModels::find(const std::vector<DeviceModel> &models, std::uint32_t pid)
{
    for (const DeviceModel &model : models) {
        if (model.pid == pid)
            return &model;
    }
    return nullptr;
}

QString DeviceModels::buildTitle(const QString &pattern, const FirmwareVersion &version)
{
    QString title;
    title.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'%' && i + 1 < pattern.size() && pattern.at(i + 1).isDigit()) {
            // A marker has one or two digits, as QString::arg reads it.
            int number = pattern.at(i + 1).digitValue();
            qsizetype length = 2;
            if (i + 2 < pattern.size() && pattern.at(i + 2).isDigit()) {
                const int twoDigits = number * 10 + pattern.at(i + 2).digitValue();
                if (twoDigits >= 1 && twoDigits <= int(version.size())) {
                    number = twoDigits;
                    length = 3;
                }
            }
            if (number >= 1 && number <= int(version.size())) {
                title.append(QChar(char16_t(version[std::size_t(number - 1)])));
                i += length - 1;
                continue;
            }
        }
        title.append(c);
    }
    return title;
}
