// SPDX-License-Identifier: MIT
#include "app/TranslationSelector.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTranslator>

#include <utility>

namespace {

const std::pair<const char *, const char *> kLocaleTable[] = {
    {"en_001", "en_US"}, {"en_US", "en_US"}, {"en_GB", "en_US"}, {"zh_CN", "zh_CN"}, {"zh_TW", "zh_CN"},
};
constexpr const char *kFallbackName = "en_US";

} // namespace

QString TranslationSelector::translationName(const QString &localeName)
{
    for (const auto &[locale, translation] : kLocaleTable) {
        if (localeName == QLatin1String(locale))
            return QString::fromLatin1(translation);
    }
    return QString::fromLatin1(kFallbackName);
}

QString TranslationSelector::translationPath(const QString &directory, const QString &name)
{
    return directory + QStringLiteral("/ZelvoroDriver_%1.qm").arg(name);
}

bool TranslationSelector::install(QTranslator &translator, QCoreApplication &application, const QString &localeName,
                                  const QString &directory)
{
    const QString path = translationPath(directory, translationName(localeName));
    qDebug() << "拼接后的路径：" << path;
    if (translator.load(path)) {
        application.installTranslator(&translator);
        qDebug() << "成功加载翻译文件：" << path;
        return true;
    }

    const QString fallback = translationPath(directory, QString::fromLatin1(kFallbackName));
    if (translator.load(fallback)) {
        application.installTranslator(&translator);
        qDebug() << "加载默认翻译文件：" << fallback;
        return true;
    }
    qWarning() << "未找到任何翻译文件，使用原始文本";
    return false;
}
