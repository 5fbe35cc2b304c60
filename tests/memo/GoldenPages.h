#pragma once

// The memo pages' bytes, written out by hand from the page tables, so that
// tests compare whole pages at once. `host` is "address:port" of the form.
#include "memo/MemoPages.h"

#include <QByteArray>

namespace golden {

// The settings these pages were written for: the form goes to 10.1.2.3:4175.
inline PageSettings pageSettings()
{
    return {"10.1.2.3", "4175", "5", "75", "30", "#FFFFFF", "#000000", false, false};
}

const QByteArray kHead = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
const QByteArray kBody = "<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\">";
const QByteArray kSubmitNo = "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
                             "<option>YES</option><option selected>NO</option></select></FORM></P>";
const QByteArray kSubmitYes = "<INPUT type=submit value=\"Send\">  Wait For Reply <select name=\"REPLY\" size=\"1\">"
                              "<option selected>YES</option><option>NO</option></select></FORM></P>";
const QByteArray kNoReplyBlock =
    "<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n<p align=center>&nbsp;</p>\r\n"
    "<p align=center><font size=5><strong>Message Received</strong></font></p>\r\n</body>\r\n</html>\r\n";

// The submit line of custom pages: a no-break space before "Wait".
inline QByteArray withNbsp(QByteArray submit) { return submit.replace("\">  Wait", "\"> \xA0Wait"); }

inline QByteArray opening(const QByteArray& timeout = "30")
{
    return "<HTML>\r\n<HEAD>\r\n<TITLE>MEMO SENT</TITLE>\r\n</HEAD>\r\n" + kBody
           + "\r\n<H1>Waiting for a reply.</H1><P>Waiting a maximum of " + timeout + " seconds.<hr size=\"1\"></P>\r\n"
           + QByteArray(500, ' ') + "\r\n";
}

// The memo form; `value` is the prefill exactly as written after VALUE=.
inline QByteArray form(const QByteArray& host, const QByteArray& value, const QByteArray& message = "",
                       const QByteArray& wrap = "", const QByteArray& submit = kSubmitNo)
{
    return "<P><FORM action=\"http://" + host + "/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE="
           + value + " MAXLENGTH=40><BR>\r\n<TEXTAREA ROWS=5 COLS=75 " + wrap + " NAME=\"MESSAGE\">" + message
           + "</TEXTAREA><BR>\r\n" + submit + "\r\n";
}

inline QByteArray replyBlock(const QByteArray& host, const QByteArray& reply, const QByteArray& name,
                             const QByteArray& wrap = "", const QByteArray& submit = kSubmitNo)
{
    return "<FONT SIZE=+1>\r\n<P>Reply: </P>" + reply + "\r\n</FONT>\r\n<hr size=\"1\">\r\n</FONT>\r\n"
           + form(host, "\"" + name + "\"", "", wrap, submit);
}

inline QByteArray errorPage(const QByteArray& number, const QByteArray& text, const QByteArray& form)
{
    return kHead + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + kBody
           + "\r\n<p align=\"left\"><font color=\"#FF0000\"><strong>Error: " + number
           + "</strong></font></p><p align=\"center\"><strong>" + text + "</strong></p>" + form + "</body>\r\n";
}

inline QByteArray busyPage(const QByteArray& host, const QByteArray& value, const QByteArray& message)
{
    return errorPage("5", "MemoSever in use, Please Try again soon.", form(host, value, message)) + "</HTML>"
           + QByteArray(20, ' ') + "\r\n";
}

inline QByteArray awayPage(const QByteArray& name)
{
    return "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\"\r\ncontent=\"text/html; charset=iso-8859-1\">\r\n"
           "<title>Memo Received</title>\r\n</head>\r\n"
           + kBody + "<p>Hello, " + name
           + "</p>\r\n<p>I am currently in away mode. </p>\r\n"
             "<p>Your memo has been logged and I will read it when I get a chance.</p>\r\n"
             "<p>&nbsp;</p>\r\n</body>\r\n</html>\r\n";
}

// The form that custom pages get for %memo%.
inline QByteArray followUpForm(const QByteArray& host, const QByteArray& name)
{
    return "<P><FORM action=\"http://" + host
           + "/memo/\" method=\"POST\"> <input type=\"hidden\" name=\"Site\" value=\"Reply\"> From: <INPUT "
             "TYPE=\"text\" NAME=\"NAME\" VALUE= \""
           + name + "\" MAXLENGTH=40><BR>\r\n<TEXTAREA MAXLENGTH=256 ROWS=5 COLS=75  NAME=\"MESSAGE\"></TEXTAREA><BR>\r\n"
           + withNbsp(kSubmitNo) + "\r\n";
}

} // namespace golden
