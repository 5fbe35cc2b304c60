#!/usr/bin/python3
"""A stand-in home router for tests: the UPnP device description over HTTP and
the WANIPConnection actions AddPortMapping, DeletePortMapping and
GetExternalIPAddress. Prints "PORT n", then one line per action."""
import re, sys
from http.server import BaseHTTPRequestHandler, HTTPServer

SERVICE = "urn:schemas-upnp-org:service:WANIPConnection:1"
CONFLICT = "--conflict" in sys.argv
EXTERNAL = sys.argv[sys.argv.index("--external") + 1] if "--external" in sys.argv else "198.51.100.77"
DESCRIPTION = f"""<?xml version="1.0"?><root xmlns="urn:schemas-upnp-org:device-1-0">
<specVersion><major>1</major><minor>0</minor></specVersion><device>
<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType><deviceList><device>
<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType><deviceList><device>
<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType><serviceList><service>
<serviceType>{SERVICE}</serviceType><serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId>
<controlURL>/ctl/IPConn</controlURL><eventSubURL>/evt/IPConn</eventSubURL><SCPDURL>/WANIPCn.xml</SCPDURL>
</service></serviceList></device></deviceList></device></deviceList></device></root>"""
ENVELOPE = ('<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
            's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body>{}</s:Body></s:Envelope>')
FAULT = ('<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>'
         '<UPnPError xmlns="urn:schemas-upnp-org:control-1-0"><errorCode>718</errorCode>'
         '<errorDescription>ConflictInMappingEntry</errorDescription></UPnPError></detail></s:Fault>')


class Gateway(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body, kind="text/xml"):
        data = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        self.answer(200, DESCRIPTION) if self.path == "/rootDesc.xml" else self.answer(404, "")

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0))).decode()
        action = self.headers.get("SOAPAction", "").strip('"').split("#")[-1]
        fields = dict(re.findall(r"<(New\w+)>([^<]*)</\1>", body))
        print(action, " ".join(f"{k[3:]}={v}" for k, v in sorted(fields.items())), flush=True)
        if action == "AddPortMapping" and CONFLICT:
            return self.answer(500, ENVELOPE.format(FAULT))
        extra = f"<NewExternalIPAddress>{EXTERNAL}</NewExternalIPAddress>" if action == "GetExternalIPAddress" else ""
        self.answer(200, ENVELOPE.format(f'<u:{action}Response xmlns:u="{SERVICE}">{extra}</u:{action}Response>'))


server = HTTPServer(("127.0.0.1", 0), Gateway)
print("PORT", server.server_address[1], flush=True)
server.serve_forever()
