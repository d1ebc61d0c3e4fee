#pragma once

#include <QRect>
#include <QSize>

// Where the login picture (":/images/login.png") leaves room for the login form's widgets.
// The picture is drawn from these same values (tools/artwork), so the borderless text boxes and
// the two picture buttons sit exactly over the white boxes and the button places it shows.
namespace LoginLayout {

// The picture and the form's client area.
inline constexpr QSize FormSize{320, 200};

// The white box right of "用户名"; edtAccount covers it.
inline constexpr QRect AccountBox{120, 88, 150, 20};

// The white box right of "密码"; edtLogonPassword covers it.
inline constexpr QRect PasswordBox{120, 118, 150, 20};

// The button faces ":/images/login_ok.png" (登陆) and ":/images/login_cancel.png" (取消).
inline constexpr QSize ButtonSize{60, 25};
inline constexpr QRect OkButton{128, 158, 60, 25};
inline constexpr QRect CancelButton{202, 158, 60, 25};

} // namespace LoginLayout
