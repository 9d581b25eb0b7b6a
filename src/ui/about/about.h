#pragma once
// "O programe": the product name, the version of the build and the project's contact links. The user
// reads them and may open the web page or write an e-mail from here.

#include <QLabel>

#include "ui/common/app_context.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TAboutBox : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TAboutBox(AppContext& ctx, QWidget* parent = nullptr);

    // The version as the build was configured: "unknown" when it has none.
    static QString VersionText();

    void ShowModal();

    QLabel* ProductName;
    QLabel* Version;
    QLabel* Links;
    ShapeButton* BtClose;  // "Zatvoriť"

private:
    // The constructor's steps, in the order the widgets are made.
    void BuildHeading();  // the icon, the name, the version
    void BuildLinksAndClose();

    AppContext& ctx_;
};

}  // namespace kalvo::ui
