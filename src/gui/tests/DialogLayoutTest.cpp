// Every dialog shows its texts whole at the default font size.
#include "analyse/CDlgCompareSounds.h"
#include "analyse/CDlgExportSpectrogram.h"
#include "edit/CDlgAmplify.h"
#include "edit/CDlgAmplitudeEnvelope.h"
#include "edit/CDlgFilterSettings.h"
#include "edit/CDlgImportHeaderless.h"
#include "edit/CDlgInsertNoise.h"
#include "edit/CDlgInsertSilence.h"
#include "edit/CDlgInsertTone.h"
#include "edit/CDlgKlipSettings.h"
#include "edit/CDlgMultiTool.h"
#include "edit/CDlgRamp.h"
#include "frame/Dialogs.h"
#include "GuiTestSupport.h"

#include <QAbstractButton>
#include <QLabel>
#include <functional>
#include <gtest/gtest.h>

using namespace tavril;
using namespace tavril::test;

namespace {

// Texts narrower than they need are cut off on screen.
void ExpectNothingClipped(QDialog& d) {
    d.show();
    Settle();
    for (QLabel* l : d.findChildren<QLabel*>()) {
        if (l->isVisible() && !l->wordWrap() && !l->text().isEmpty()) {
            EXPECT_GE(l->width(), l->sizeHint().width()) << d.windowTitle().toStdString() << ": "
                                                         << l->text().toStdString();
        }
    }
    for (QAbstractButton* b : d.findChildren<QAbstractButton*>()) {
        if (b->isVisible() && !b->text().isEmpty()) {
            EXPECT_GE(b->width(), b->sizeHint().width()) << d.windowTitle().toStdString() << ": "
                                                         << b->text().toStdString();
        }
    }
    d.close();
}

} // namespace

TEST(DialogLayout, TextsAreNotClipped) {
    TempDir config;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
    ScriptedPrompt prompt;
    std::vector<std::function<std::unique_ptr<QDialog>()>> dialogs = {
        [] { return std::make_unique<CDlgWindowDisplaySettings>(WindowDisplaySettings{}, QStringList{"a.wav"}, nullptr); },
        [] { return std::make_unique<CDlgFormatInfo>("/data/a.wav", 22050.0, 16, 1, 22050, nullptr); },
        [] { return std::make_unique<CDlgNewWindowSizing>(GridOptions{}, nullptr); },
        [] { return std::make_unique<CDlgPriority>(0, nullptr); },
        [] { return std::make_unique<CDlgDefaultFormat>(0, nullptr); },
        [&] { return std::make_unique<CDlgEditUserMenu>(FileList::UserMenu(), prompt, nullptr); },
        [] { return std::make_unique<CDlgSelectSettings>(std::vector<std::string>{}, nullptr); },
        [] { return std::make_unique<CDlgAmplify>(); },
        [&] { return std::make_unique<CDlgAmplitudeEnvelope>(AmplitudeEnvelopeSettings{}, "", prompt); },
        [] { return std::make_unique<CDlgFilterSettings>(FilterSettings{}, ""); },
        [] { return std::make_unique<CDlgImportHeaderless>(ImportHeaderlessSettings{}, ""); },
        [] { return std::make_unique<CDlgInsertNoise>(InsertNoiseSettings{}, 100.0, ""); },
        [] { return std::make_unique<CDlgInsertSilence>(100.0); },
        [] { return std::make_unique<CDlgInsertTone>(InsertToneSettings{}, ""); },
        [] { return std::make_unique<CDlgKlipSettings>(KlipNSaveSettings{}, ""); },
        [] { return std::make_unique<CDlgMultiTool>(MultiToolSettings{}, ""); },
        [] { return std::make_unique<CDlgRamp>(RampSettings{}, ""); },
        [&] { return std::make_unique<CDlgCompareSounds>(CompareSettings{}, prompt, nullptr); },
        [] { return std::make_unique<CDlgExportSpectrogram>(ExportSpectrogramSettings{}, nullptr); },
    };
    for (auto& make : dialogs) {
        auto d = make();
        ExpectNothingClipped(*d);
    }
}
