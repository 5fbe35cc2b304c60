#!/usr/bin/python3
"""A stand-in home router: UPnP device description and WANIPConnection actions. Prints its port, then each action.
With --external-file PATH its internet address is read from that file at every GetExternalIPAddress."""
import re, sys
from http.server import BaseHTTPRequestHandler, HTTPServer

SERVICE = "urn:schemas-upnp-org:service:WANIPConnection:1"
EXTERNAL = sys.argv[sys.argv.index("--external") + 1] if "--external" in sys.argv else "198.51.100.77"
EXTERNAL_FILE = sys.argv[sys.argv.index("--external-file") + 1] if "--external-file" in sys.argv else None


def external():
    if EXTERNAL_FILE:
        with open(EXTERNAL_FILE) as f:
            return f.read().strip()
    return EXTERNAL
DEVICE = "<device><deviceType>urn:schemas-upnp-org:device:{}:1</deviceType>{}</device>"
SERVICES = (f"<serviceList><service><serviceType>{SERVICE}</serviceType><serviceId>urn:upnp-org:serviceId:WANIPConn1"
            "</serviceId><controlURL>/ctl/IPConn</controlURL><SCPDURL>/WANIPCn.xml</SCPDURL></service></serviceList>")
DESCRIPTION = ('<?xml version="1.0"?><root xmlns="urn:schemas-upnp-org:device-1-0">' + DEVICE.format(
    "InternetGatewayDevice", "<deviceList>" + DEVICE.format(
        "WANDevice", "<deviceList>" + DEVICE.format("WANConnectionDevice", SERVICES) + "</deviceList>") +
    "</deviceList>") + "</root>")
ENVELOPE = '<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>{}</s:Body></s:Envelope>'
CONFLICT = ('<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail><UPnPError xmlns='
            '"urn:schemas-upnp-org:control-1-0"><errorCode>718</errorCode></UPnPError></detail></s:Fault>')


class Gateway(BaseHTTPRequestHandler):
    log_message = lambda *args: None

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body.encode())))
        self.end_headers()
        self.wfile.write(body.encode())

    def do_GET(self):
        self.answer(200 if self.path == "/rootDesc.xml" else 404, DESCRIPTION)

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0))).decode()
        action = self.headers.get("SOAPAction", "").strip('"').split("#")[-1]
        fields = sorted(re.findall(r"<New(\w+)>([^<]*)</New\1>", body))
        print(action, " ".join(f"{k}={v}" for k, v in fields), flush=True)
        if action == "AddPortMapping" and "--conflict" in sys.argv:
            return self.answer(500, ENVELOPE.format(CONFLICT))
        extra = f"<NewExternalIPAddress>{external()}</NewExternalIPAddress>" * (action == "GetExternalIPAddress")
        self.answer(200, ENVELOPE.format(f'<u:{action}Response xmlns:u="{SERVICE}">{extra}</u:{action}Response>'))


server = HTTPServer(("127.0.0.1", 0), Gateway)
print(server.server_address[1], flush=True)
server.serve_forever()
