#!/usr/bin/env python3
"""A loopback stand-in of the board's web service, for the tests of the sync client and engine.

Run: python3 sync_service.py [--port N]. It listens on 127.0.0.1 (port 0 picks a free one),
prints "port <N>" on a line of its own once it accepts connections, and exits when its standard
input closes, so it never outlives the test that started it. Everything is kept in memory.

The service, as the desktop client speaks to it (JSON bodies, snake-case keys):
  POST /api/auth/device/code      device-code sign-in; codes are approved, denied, expired or
  POST /api/auth/device/token     slowed down from the control surface below
  POST /api/auth/sign-out         ends the bearer token's session
  GET  /v1/me                     the user, the user's workspaces and features
  POST /v1/devices                registers a device
  POST /v1/sync                   push records in, results and pulled rows out: versions,
                                  field-level merges ("merged" with "conflicts"), groups remapped
                                  to a same-named group, rejections; pages of changes after the
                                  cursor with "more"; "full_groups", "resync_groups",
                                  "dropped_captures", "dropped_workspaces"
  POST /v1/sync/reconcile         "drop" and "missing" for the sent capture ids
  POST /v1/uploads, /v1/uploads/complete, GET /v1/blobs/<ws>/<sha>
                                  two-step uploads into storage and signed download locations
  PUT|GET /storage/<ws>/<sha>?expires=..&sig=..
                                  the storage itself: signed URLs, no bearer token accepted,
                                  bytes checked against their SHA-256
  GET  /v1/events[?workspace=ID]  text/event-stream: "event: change" after changes made by
                                  anyone but the stream's own session; ": ping" keep-alives
Every call but the first two needs "Authorization: Bearer <token>" and answers 401 otherwise.

The control surface for tests (POST with a JSON body unless marked GET; replies are JSON):
  /_control/reset                 forget everything but the listening socket
  /_control/account               {"user", "workspaces", "features"}: replace the account
  /_control/leave-workspace       {"workspace_id"}: the user leaves it (next sync drops it)
  GET /_control/device-codes      the started codes with their states
  /_control/approve | /_control/deny | /_control/expire-code
                                  {"user_code", "after"} (the newest code when absent): at
                                  once, or once "after" more polls were answered pending
  /_control/slow-down             {"user_code", "count"}: the next polls answer slow_down
  /_control/token                 {} -> {"token"}: a session without the device flow
  /_control/expire-token          {"token"} (every token when absent): later calls get 401
  /_control/write                 {"table", "row", "device_id"}: a change made by another
                                  device; gives the stored row
  /_control/event                 {}: an "event: change" to every open stream
  /_control/end-streams           {}: every open event stream ends
  GET /_control/streams           {"open"}: the event streams open now (a stream whose client
                                  went away closes within about 50 ms)
  /_control/fault                 {"route", "method", "status", "body", "body_base64",
                                  "headers", "hang", "trickle", "hold", "hang_up", "count"}:
                                  the next "count" (default 1, -1 for ever) requests to
                                  "route" (exact path, or a prefix ending in "*") wait "hang"
                                  seconds, then answer "status" with "body" (or the bytes of
                                  "body_base64", which need not be text) and "headers" (a
                                  redirect is a status with a "Location"), or
                                  with "trickle" send one byte of the body every that many
                                  seconds; "hold" keeps each request waiting (up to a minute)
                                  until /_control/release, "hang_up" closes the connection
                                  without a reply
  /_control/release               {"route"} (every route when absent): held requests go on
  GET /_control/held              the routes of the requests held now, one entry each
  /_control/clear-faults          {}: no fault stands any more; held requests go on
  /_control/reject                {"id", "reason", "retry", "count"}: push results for that
                                  row are rejections
  /_control/resync                {"id", "mode"}: returned once in "resync_groups"
  /_control/drop                  {"captures": [...], "workspaces": [...]}: returned once
  /_control/config                {"page_size", "device_interval", "device_expires_in",
                                  "enforce_interval", "keepalive", "uploads_enabled",
                                  "uploads_disabled_status", "corrupt_downloads"}
  /_control/blob                  {"workspace_id", "base64"} -> {"sha256"}: a stored file
  GET /_control/state             rows, blobs, devices, tokens
  GET /_control/requests          every request seen: method, path, query, headers, body
  /_control/requests/clear
"""

import argparse
import base64
import hashlib
import hmac
import json
import os
import re
import secrets
import select
import socket
import sys
import threading
import time
import urllib.parse
import uuid
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

USER_ID = "00000000-0000-4000-8000-000000000001"
OTHER_USER_ID = "00000000-0000-4000-8000-000000000002"
WORKSPACE_ID = "10000000-0000-4000-8000-000000000001"
CLIENT_ID = "tavro-desktop"
DEVICE_GRANT = "urn:ietf:params:oauth:grant-type:device_code"
TABLES = ["groups", "group_members", "captures", "capture_images", "comments", "activity"]
PUSHED_TABLES = ["groups", "captures", "capture_images", "comments"]
CONTENT_TYPES = {"image/png", "image/jpeg", "image/webp"}
SHA256 = re.compile(r"^[0-9a-f]{64}$")
SIGNING_KEY = secrets.token_bytes(32)


def iso(seconds):
    whole = int(seconds)
    millis = int(round((seconds - whole) * 1000)) % 1000
    return time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(whole)) + ".%03dZ" % millis


def as_text(value):
    """A field's value as a person reads it: text as it is, anything else as JSON."""
    return value if isinstance(value, str) else json.dumps(value, ensure_ascii=False)


def sign(method, path, expires):
    message = ("%s %s %d" % (method, path, expires)).encode()
    return hmac.new(SIGNING_KEY, message, hashlib.sha256).hexdigest()


class Refusal(Exception):
    def __init__(self, status, code, message):
        super().__init__(message)
        self.status, self.code, self.message = status, code, message


class State:
    def __init__(self):
        self.lock = threading.Condition()
        self.reset()

    def reset(self):
        self.users = {
            USER_ID: {"id": USER_ID, "name": "Mira Test", "email": "mira@example.test",
                      "image": None, "kind": "person"},
            OTHER_USER_ID: {"id": OTHER_USER_ID, "name": "Ola Other", "email": "ola@example.test",
                            "image": None, "kind": "person"},
        }
        self.user_id = USER_ID
        self.workspaces = [{"id": WORKSPACE_ID, "name": "Team", "slug": "team", "role": "owner",
                            "settings": {}}]
        self.features = {"uploads": True}
        self.codes = {}
        self.tokens = {}
        self.devices = {}
        self.tables = {table: {} for table in TABLES}
        self.field_versions = {}
        self.changes = []  # {"seq", "table", "id", "session"}
        self.seq = 0
        self.person_seq = {USER_ID: 1, OTHER_USER_ID: 1}
        self.remaps = {}
        self.blobs = {}
        self.staged = {}
        self.faults = []
        self.rejects = {}
        self.resync = []
        self.dropped_captures = []
        self.dropped_workspaces = []
        self.requests = []
        self.events = []  # {"n", "session"}
        # Streams open at a reset end by themselves (their session is gone) and are counted out.
        self.open_streams = getattr(self, "open_streams", 0)
        self.stream_generation = getattr(self, "stream_generation", 0) + 1
        self.held = getattr(self, "held", [])  # the routes of the requests a fault holds
        self.config = {"page_size": 100, "device_interval": 5, "device_expires_in": 900,
                       "enforce_interval": False, "keepalive": 15, "uploads_enabled": True,
                       "uploads_disabled_status": 200, "corrupt_downloads": False}

    # Accounts and sessions.

    def member_of(self):
        return {w["id"] for w in self.workspaces}

    def session(self, headers):
        value = headers.get("Authorization", "")
        if not value.startswith("Bearer "):
            raise Refusal(401, "unauthorized", "Sign in first")
        token = value[len("Bearer "):]
        entry = self.tokens.get(token)
        if not entry or entry["expired"]:
            raise Refusal(401, "unauthorized", "Your session has expired")
        return token

    def issue_token(self):
        token = "tvr_" + secrets.token_urlsafe(24)
        self.tokens[token] = {"user": self.user_id, "expired": False}
        return token

    def newest_code(self, body):
        user_code = body.get("user_code")
        for code in sorted(self.codes.values(), key=lambda c: c["started"], reverse=True):
            if user_code is None or code["user_code"] == user_code:
                return code
        raise Refusal(404, "not_found", "No such device code")

    # Rows.

    def workspace_of(self, table, row):
        if row is None:
            return None
        if table in ("groups", "captures"):
            return row.get("workspace_id")
        if table == "group_members":
            return self.workspace_of("groups", self.tables["groups"].get(row.get("group_id")))
        return self.workspace_of("captures", self.tables["captures"].get(row.get("capture_id")))

    def visible(self, table, row):
        if self.workspace_of(table, row) not in self.member_of():
            return False
        if table == "groups" and row.get("visibility") == "private":
            return row.get("created_by") in (None, self.user_id)
        return True

    def record(self, table, row_id, session):
        self.seq += 1
        self.changes.append({"seq": self.seq, "table": table, "id": row_id, "session": session})
        self.events.append({"n": len(self.events) + 1, "session": session})
        self.lock.notify_all()

    def store(self, table, row_id, fields, session, new):
        now = time.time()
        rows = self.tables[table]
        row = rows.get(row_id)
        if row is None:
            row = {"id": row_id, "version": 0, "created_at": iso(now)}
            rows[row_id] = row
        versions = self.field_versions.setdefault((table, row_id), {})
        row["version"] = int(row.get("version", 0)) + 1
        for key, value in fields.items():
            if key in ("id", "version"):
                continue
            row[key] = value
            versions[key] = row["version"]
        row["updated_at"] = iso(now)
        self.record(table, row_id, session)
        return row

    def push(self, change, session, device_id):
        row_id = change.get("id")
        table = change.get("table")
        if not isinstance(row_id, str):
            return None
        result = {"id": row_id}
        reject = self.rejects.get(row_id)
        if reject and reject["count"] != 0:
            reject["count"] -= 1
            result.update(status="rejected", reason=reject["reason"], retry=reject["retry"])
            return result
        try:
            result.update(self.apply_push(table, row_id, change, session))
        except Refusal as refusal:
            result.update(status="rejected", reason=refusal.message,
                          retry=refusal.code == "retry")
        return result

    def apply_push(self, table, row_id, change, session):
        if table not in PUSHED_TABLES:
            raise Refusal(400, "invalid", "unknown table")
        rows = self.tables[table]
        existing = rows.get(row_id)
        if change.get("delete") is True:
            if table not in ("captures", "capture_images"):
                raise Refusal(400, "invalid", "only captures and screenshots are deleted")
            if existing is None:
                return {"status": "applied"}
            if not self.visible(table, existing):
                raise Refusal(403, "forbidden", "not in your workspaces")
            row = self.store(table, row_id, {"deleted_at": iso(time.time())}, session, False)
            return {"status": "applied", "version": row["version"]}
        patch = change.get("patch")
        if not isinstance(patch, dict):
            raise Refusal(400, "invalid", "patch missing")
        patch = dict(patch)
        if isinstance(patch.get("group_id"), str):
            patch["group_id"] = self.remaps.get(patch["group_id"], patch["group_id"])

        if table == "comments":
            if existing is not None:
                return {"status": "applied", "version": existing["version"]}
            capture = self.tables["captures"].get(patch.get("capture_id"))
            if capture is None:
                raise Refusal(409, "retry", "unknown capture")
            if not self.visible("captures", capture):
                raise Refusal(403, "forbidden", "not in your workspaces")
            patch["author_id"] = self.users[self.user_id]["id"]
            row = self.store(table, row_id, patch, session, True)
            return {"status": "applied", "version": row["version"]}

        if existing is None:
            if table in ("groups", "captures"):
                if patch.get("workspace_id") not in self.member_of():
                    raise Refusal(403, "forbidden", "not a member of that workspace")
            if table == "groups":
                for other in self.tables["groups"].values():
                    if (other.get("workspace_id") == patch.get("workspace_id")
                            and not other.get("deleted_at")
                            and str(other.get("name", "")).casefold()
                            == str(patch.get("name", "")).casefold()):
                        self.remaps[row_id] = other["id"]
                        return {"status": "remapped", "canonical_id": other["id"]}
                patch["created_by"] = self.user_id
                patch.setdefault("visibility", "workspace")
            if table == "captures":
                patch["author_id"] = self.user_id
            if table == "capture_images":
                capture = self.tables["captures"].get(patch.get("capture_id"))
                if capture is None:
                    raise Refusal(409, "retry", "unknown capture")
                if not self.visible("captures", capture):
                    raise Refusal(403, "forbidden", "not in your workspaces")
                self.require_blobs(capture.get("workspace_id"), patch)
            row = self.store(table, row_id, patch, session, True)
            return {"status": "applied", "version": row["version"]}

        if not self.visible(table, existing):
            raise Refusal(403, "forbidden", "not in your workspaces")
        if existing.get("deleted_at"):
            raise Refusal(410, "gone", "deleted on the server")
        if table == "capture_images":
            self.require_blobs(self.workspace_of(table, existing), patch)
        base = change.get("base_version")
        base = base if isinstance(base, int) and not isinstance(base, bool) else 0
        versions = self.field_versions.get((table, row_id), {})
        conflicts = sorted(key for key, value in patch.items()
                           if versions.get(key, 0) > base and existing.get(key) != value)
        kept = {key: value for key, value in patch.items() if key not in conflicts}
        if conflicts:
            # The server's values stand; the client's are kept beside them as a comment.
            row = self.store(table, row_id, kept, None, False)
            if table == "captures":
                body = "\n".join("%s: %s" % (key, as_text(patch[key])) for key in conflicts)
                self.store("comments", str(uuid.uuid4()),
                           {"capture_id": row_id, "body": body, "kind": "conflict",
                            "author_id": self.user_id, "is_agent": False,
                            "actor_label": None}, None, True)
            return {"status": "merged", "version": row["version"], "conflicts": conflicts}
        row = self.store(table, row_id, kept, session, False)
        return {"status": "applied", "version": row["version"]}

    def require_blobs(self, workspace, patch):
        for key in ("original_sha256", "marked_sha256", "thumb_sha256"):
            sha = patch.get(key)
            if isinstance(sha, str) and (workspace, sha) not in self.blobs:
                raise Refusal(409, "retry", "file %s not uploaded" % sha[:12])

    def pulled(self, table, row_id):
        row = dict(self.tables[table][row_id])
        if table == "capture_images":
            row.setdefault("workspace_id", self.workspace_of(table, row))
        return {"table": table, "row": row}

    def sync(self, body, session):
        device_id = body.get("device_id")
        cursor = body.get("cursor")
        changes = body.get("changes")
        full_groups = body.get("full_groups", [])
        if not isinstance(device_id, str) or not isinstance(cursor, int) \
                or not isinstance(changes, list) or not isinstance(full_groups, list):
            raise Refusal(400, "invalid_request", "device_id, cursor, changes and full_groups")
        if len(changes) > 500 or len(full_groups) > 50:
            raise Refusal(413, "too_large", "too many changes")
        start_seq = self.seq
        results = []
        order = {table: index for index, table in enumerate(PUSHED_TABLES)}
        for change in sorted((c for c in changes if isinstance(c, dict)),
                             key=lambda c: order.get(c.get("table"), len(order))):
            result = self.push(change, session, device_id)
            if result is not None:
                results.append(result)

        # The changes after the cursor, one entry per row. A row that only this request changed
        # is left out: its sender holds it already. One that anybody else changed too is sent,
        # or the sender would never learn the other fields.
        latest, foreign = {}, set()
        for change in self.changes:
            if change["seq"] <= cursor:
                continue
            key = (change["table"], change["id"])
            latest[key] = change
            if change["session"] != session or change["seq"] <= start_seq:
                foreign.add(key)
        page, more = [], False
        last_seq = max(cursor, 0)
        for change in sorted(latest.values(), key=lambda c: c["seq"]):
            row = self.tables[change["table"]][change["id"]]
            if (change["table"], change["id"]) not in foreign:
                last_seq = change["seq"]
                continue
            if not self.visible(change["table"], row):
                last_seq = change["seq"]
                continue
            if len(page) >= self.config["page_size"]:
                more = True
                break
            page.append(self.pulled(change["table"], change["id"]))
            last_seq = change["seq"]
        if not more:
            last_seq = max(last_seq, self.seq)

        for group_id in full_groups:
            group = self.tables["groups"].get(group_id)
            if not isinstance(group_id, str) or group is None or not self.visible("groups", group):
                continue
            page.append(self.pulled("groups", group_id))
            for table in ("group_members", "captures"):
                for row_id, row in self.tables[table].items():
                    if row.get("group_id") == group_id:
                        page.append(self.pulled(table, row_id))
            captures = {row_id for row_id, row in self.tables["captures"].items()
                        if row.get("group_id") == group_id}
            for table in ("capture_images", "comments", "activity"):
                for row_id, row in self.tables[table].items():
                    if row.get("capture_id") in captures:
                        page.append(self.pulled(table, row_id))

        people = [dict(self.users[pid]) for pid, seq in self.person_seq.items()
                  if pid in self.users and (cursor <= 0 or seq > cursor)]
        reply = {"results": results, "people": people, "changes": page, "cursor": last_seq,
                 "resync_groups": self.resync, "dropped_captures": self.dropped_captures,
                 "dropped_workspaces": self.dropped_workspaces, "more": more}
        self.resync, self.dropped_captures, self.dropped_workspaces = [], [], []
        return reply

    def reconcile(self, body):
        ids = body.get("capture_ids")
        if not isinstance(ids, list) or not all(isinstance(i, str) for i in ids):
            raise Refusal(400, "invalid_request", "capture_ids")
        live = {row_id for row_id, row in self.tables["captures"].items()
                if not row.get("deleted_at") and self.visible("captures", row)}
        return {"drop": [i for i in ids if i not in live],
                "missing": sorted(live - set(ids))}

    def signed_url(self, host, method, workspace, sha):
        path = "/storage/%s/%s" % (workspace, sha)
        expires = int(time.time()) + 900
        return "http://%s%s?expires=%d&sig=%s" % (host, path, expires, sign(method, path, expires))

    def check_upload(self, body):
        workspace, sha = body.get("workspace_id"), body.get("sha256")
        size, content_type = body.get("bytes"), body.get("content_type")
        if workspace not in self.member_of():
            raise Refusal(403, "forbidden", "not a member of that workspace")
        if not isinstance(sha, str) or not SHA256.match(sha):
            raise Refusal(400, "invalid_request", "sha256 must be 64 lower-case hex digits")
        if not isinstance(size, int) or isinstance(size, bool) or size < 0:
            raise Refusal(400, "invalid_request", "bytes must be a count")
        if content_type not in CONTENT_TYPES:
            raise Refusal(400, "invalid_request", "unsupported content type")
        return workspace, sha, size, content_type


def settle(code, how):
    if how == "approve":
        code["state"] = "approved"
    elif how == "deny":
        code["state"] = "denied"
    else:
        code["state"] = "expired"
        code["expires_at"] = time.time() - 1


STATE = State()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TavroStandIn/1"
    # Headers and body leave in separate writes; without this each reply on a kept-alive
    # connection waits out the client's delayed acknowledgement (about 40 ms).
    disable_nagle_algorithm = True

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.handle_any("GET")

    def do_POST(self):
        self.handle_any("POST")

    def do_PUT(self):
        self.handle_any("PUT")

    def do_DELETE(self):
        self.handle_any("DELETE")

    def do_PATCH(self):
        self.handle_any("PATCH")

    # Plumbing.

    def handle_any(self, method):
        parts = urllib.parse.urlsplit(self.path)
        self.route, self.query = parts.path, urllib.parse.parse_qs(parts.query)
        length = int(self.headers.get("Content-Length") or 0)
        self.raw = self.rfile.read(length) if length else b""
        if not self.route.startswith("/_control/"):
            with STATE.lock:
                entry = {"method": method, "path": self.route, "query": parts.query,
                         "peer": "%s:%d" % self.client_address[:2],
                         "headers": {k: v for k, v in self.headers.items()}}
                if self.route.startswith("/storage/"):
                    entry["bytes"] = len(self.raw)
                else:
                    entry["body"] = self.raw.decode("utf-8", "replace")
                STATE.requests.append(entry)
                # A stream asked for before an end-streams control ends with the others.
                self.generation = STATE.stream_generation
                fault = self.take_fault(method)
            if fault and self.serve_fault(fault):
                return
        try:
            self.dispatch(method)
        except Refusal as refusal:
            try:
                self.reply(refusal.status, {"error": {"code": refusal.code,
                                                      "message": refusal.message}})
            except (BrokenPipeError, ConnectionResetError):
                pass
        except (BrokenPipeError, ConnectionResetError):
            pass

    def take_fault(self, method):
        for fault in STATE.faults:
            route = fault.get("route", "")
            matches = (self.route.startswith(route[:-1]) if route.endswith("*")
                       else self.route == route)
            if matches and fault.get("method", method) == method and fault["count"] != 0:
                fault["count"] -= 1
                return fault
        return None

    def serve_fault(self, fault):
        """True when the fault answered the request in place of the service."""
        try:
            hang = float(fault.get("hang", 0))
            deadline = time.time() + hang
            while time.time() < deadline:
                time.sleep(min(0.05, max(0.0, deadline - time.time())))
            if fault.get("hold"):
                with STATE.lock:
                    STATE.held.append(self.route)
                    try:
                        STATE.lock.wait_for(lambda: fault.get("released"), timeout=60)
                    finally:
                        STATE.held.remove(self.route)
            if fault.get("hang_up"):
                self.close_connection = True
                self.connection.shutdown(socket.SHUT_RDWR)
                return True
            if "status" not in fault and "trickle" not in fault:
                return False
            status = int(fault.get("status", 200))
            body = fault.get("body", "")
            data = body.encode() if isinstance(body, str) else json.dumps(body).encode()
            if "body_base64" in fault:
                data = base64.b64decode(fault["body_base64"])
            self.send_response(status)
            for name, value in fault.get("headers", {}).items():
                self.send_header(name, value)
            if "trickle" in fault:
                self.send_header("Content-Length", str(max(len(data), 1 << 20)))
                self.end_headers()
                pause = float(fault["trickle"])
                for _ in range(1 << 20):
                    self.wfile.write(b" ")
                    self.wfile.flush()
                    time.sleep(pause)
            else:
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass
        return True

    def body(self):
        try:
            value = json.loads(self.raw.decode("utf-8")) if self.raw else {}
        except (UnicodeDecodeError, ValueError):
            raise Refusal(400, "invalid_json", "The body is not JSON")
        if not isinstance(value, dict):
            raise Refusal(400, "invalid_json", "The body is not a JSON object")
        return value

    def reply(self, status, value, content_type="application/json"):
        data = value if isinstance(value, bytes) else json.dumps(value, sort_keys=True).encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def host(self):
        return self.headers.get("Host", "127.0.0.1:%d" % self.server.server_port)

    # Routes.

    def dispatch(self, method):
        route = self.route
        if route.startswith("/_control/"):
            return self.control(method, route[len("/_control/"):])
        if route.startswith("/storage/"):
            return self.storage(method)
        routes = {
            ("POST", "/api/auth/device/code"): self.device_code,
            ("POST", "/api/auth/device/token"): self.device_token,
            ("POST", "/api/auth/sign-out"): self.sign_out,
            ("GET", "/v1/me"): self.me,
            ("POST", "/v1/devices"): self.register_device,
            ("POST", "/v1/sync"): self.sync,
            ("POST", "/v1/sync/reconcile"): self.reconcile,
            ("POST", "/v1/uploads"): self.upload,
            ("POST", "/v1/uploads/complete"): self.upload_complete,
            ("GET", "/v1/events"): self.events,
        }
        if route.startswith("/v1/blobs/") and method == "GET":
            return self.blob_location()
        handler = routes.get((method, route))
        if handler is None:
            raise Refusal(404, "not_found", "No such endpoint")
        handler()

    def device_code(self):
        body = self.body()
        if body.get("client_id") != CLIENT_ID:
            raise Refusal(400, "invalid_client", "Unknown client")
        with STATE.lock:
            user_code = "%04X-%04X" % (secrets.randbelow(1 << 16), secrets.randbelow(1 << 16))
            code = {"device_code": secrets.token_urlsafe(24), "user_code": user_code,
                    "state": "pending", "started": time.time(),
                    "interval": STATE.config["device_interval"],
                    "expires_at": time.time() + STATE.config["device_expires_in"],
                    "last_poll": None, "slow_down": 0, "polls": 0}
            STATE.codes[code["device_code"]] = code
            page = "http://%s/device" % self.host()
            self.reply(200, {"device_code": code["device_code"], "user_code": user_code,
                             "verification_uri": page,
                             "verification_uri_complete": page + "?user_code=" + user_code,
                             "interval": code["interval"],
                             "expires_in": STATE.config["device_expires_in"]})

    def device_token(self):
        body = self.body()
        if body.get("client_id") != CLIENT_ID:
            raise Refusal(400, "invalid_client", "Unknown client")
        if body.get("grant_type") != DEVICE_GRANT:
            raise Refusal(400, "unsupported_grant_type", "Unsupported grant type")
        with STATE.lock:
            code = STATE.codes.get(body.get("device_code"))
            if code is None or code["state"] == "used":
                return self.reply(400, {"error": "invalid_grant"})
            now = time.time()
            code["polls"] += 1
            too_soon = (STATE.config["enforce_interval"] and code["last_poll"] is not None
                        and now - code["last_poll"] < code["interval"])
            code["last_poll"] = now
            if code["slow_down"] > 0 or too_soon:
                code["slow_down"] = max(0, code["slow_down"] - 1)
                code["interval"] += 5
                return self.reply(400, {"error": "slow_down"})
            if code.get("then"):
                if code["after"] > 0:
                    code["after"] -= 1
                else:
                    settle(code, code.pop("then"))
            if now >= code["expires_at"] or code["state"] == "expired":
                return self.reply(400, {"error": "expired_token"})
            if code["state"] == "denied":
                return self.reply(400, {"error": "access_denied"})
            if code["state"] == "pending":
                return self.reply(400, {"error": "authorization_pending"})
            code["state"] = "used"
            self.reply(200, {"access_token": STATE.issue_token(), "token_type": "Bearer"})

    def sign_out(self):
        with STATE.lock:
            token = STATE.session(self.headers)
            STATE.tokens[token]["expired"] = True
        self.reply(200, {})

    def me(self):
        with STATE.lock:
            STATE.session(self.headers)
            user = STATE.users[STATE.user_id]
            self.reply(200, {"user": user, "workspaces": STATE.workspaces,
                             "features": STATE.features})

    def register_device(self):
        with STATE.lock:
            STATE.session(self.headers)
            body = self.body()
            if not isinstance(body.get("id"), str) or not isinstance(body.get("name"), str):
                raise Refusal(400, "invalid_request", "id and name")
            STATE.devices[body["id"]] = body
        self.reply(200, {"ok": True})

    def sync(self):
        with STATE.lock:
            session = STATE.session(self.headers)
            reply = STATE.sync(self.body(), session)
        self.reply(200, reply)

    def reconcile(self):
        with STATE.lock:
            STATE.session(self.headers)
            reply = STATE.reconcile(self.body())
        self.reply(200, reply)

    def upload(self):
        with STATE.lock:
            STATE.session(self.headers)
            workspace, sha, size, content_type = STATE.check_upload(self.body())
            if not STATE.config["uploads_enabled"]:
                return self.reply(STATE.config["uploads_disabled_status"],
                                  {"error": {"code": "uploads_disabled",
                                             "message": "Uploads are switched off"}})
            if (workspace, sha) in STATE.blobs:
                return self.reply(200, {"status": "exists"})
            STATE.staged[(workspace, sha)] = {"bytes": size, "content_type": content_type,
                                              "data": None}
            self.reply(200, {"status": "upload",
                             "url": STATE.signed_url(self.host(), "PUT", workspace, sha),
                             "method": "PUT", "headers": {"Content-Type": content_type}})

    def upload_complete(self):
        with STATE.lock:
            STATE.session(self.headers)
            workspace, sha, _, _ = STATE.check_upload(self.body())
            staged = STATE.staged.get((workspace, sha))
            if (workspace, sha) in STATE.blobs:
                return self.reply(200, {"status": "exists"})
            if staged is None or staged["data"] is None:
                raise Refusal(409, "not_uploaded", "No upload for that file")
            STATE.blobs[(workspace, sha)] = staged["data"]
            del STATE.staged[(workspace, sha)]
        self.reply(200, {"status": "stored"})

    def blob_location(self):
        with STATE.lock:
            STATE.session(self.headers)
            parts = self.route[len("/v1/blobs/"):].split("/")
            if len(parts) != 2 or parts[0] not in STATE.member_of():
                raise Refusal(404, "not_found", "No such file")
            workspace, sha = parts
            if (workspace, sha) not in STATE.blobs:
                raise Refusal(404, "not_found", "No such file")
            self.reply(200, {"url": STATE.signed_url(self.host(), "GET", workspace, sha)})

    def storage(self, method):
        expires = int((self.query.get("expires") or ["0"])[0] or 0)
        signature = (self.query.get("sig") or [""])[0]
        if (not hmac.compare_digest(signature, sign(method, self.route, expires))
                or expires < time.time()):
            return self.reply(403, b"<Error><Code>SignatureDoesNotMatch</Code></Error>",
                              "application/xml")
        if "Authorization" in self.headers:
            return self.reply(400, b"<Error><Code>InvalidArgument</Code>"
                                   b"<Message>Only one auth mechanism allowed</Message></Error>",
                              "application/xml")
        _, _, workspace, sha = self.route.split("/", 3)
        with STATE.lock:
            if method == "PUT":
                staged = STATE.staged.get((workspace, sha))
                if staged is None:
                    return self.reply(404, b"<Error><Code>NoSuchUpload</Code></Error>",
                                      "application/xml")
                if hashlib.sha256(self.raw).hexdigest() != sha or len(self.raw) != staged["bytes"]:
                    return self.reply(400, b"<Error><Code>BadDigest</Code></Error>",
                                      "application/xml")
                staged["data"] = self.raw
                return self.reply(200, b"", "application/xml")
            data = STATE.blobs.get((workspace, sha))
            if data is None:
                return self.reply(404, b"<Error><Code>NoSuchKey</Code></Error>",
                                  "application/xml")
            if STATE.config["corrupt_downloads"]:
                data = bytes([data[0] ^ 0xFF]) + data[1:] if data else b"\x00"
        self.reply(200, data, "application/octet-stream")

    def events(self):
        with STATE.lock:
            session = STATE.session(self.headers)
            workspace = (self.query.get("workspace") or [None])[0]
            if workspace is not None and workspace not in STATE.member_of():
                raise Refusal(403, "forbidden", "not a member of that workspace")
            seen = len(STATE.events)
            generation = self.generation
            STATE.open_streams += 1
        try:
            self.close_connection = True
            self.send_response(200)
            self.send_header("Content-Type", "text/event-stream")
            self.send_header("Cache-Control", "no-cache")
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(b": connected\n\n")
            self.wfile.flush()
            last_write = time.time()

            def ended():
                return (STATE.tokens.get(session, {}).get("expired", True)
                        or STATE.stream_generation != generation)

            while True:
                with STATE.lock:
                    # Short waits, so a client that went away is noticed soon.
                    STATE.lock.wait_for(lambda: len(STATE.events) > seen or ended(),
                                        timeout=0.05)
                    if ended():
                        return
                    keepalive = float(STATE.config["keepalive"])
                    fresh = STATE.events[seen:]
                    seen = len(STATE.events)
                    cursor = STATE.seq
                if self.peer_gone():
                    return
                out = b""
                for event in fresh:
                    if event["session"] != session:
                        out += b"event: change\ndata: %s\n\n" % json.dumps(
                            {"cursor": cursor}).encode()
                if not out and time.time() - last_write >= keepalive:
                    out = b": ping\n\n"
                if out:
                    self.wfile.write(out)
                    self.wfile.flush()
                    last_write = time.time()
        except (BrokenPipeError, ConnectionResetError, OSError):
            return
        finally:
            with STATE.lock:
                STATE.open_streams -= 1
                STATE.lock.notify_all()

    def peer_gone(self):
        """True once the client closed its end; it sends nothing after its request."""
        try:
            readable, _, _ = select.select([self.connection], [], [], 0)
            return bool(readable) and self.connection.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True

    # The control surface.

    def control(self, method, name):
        with STATE.lock:
            if method == "GET":
                if name == "state":
                    return self.reply(200, {
                        "tables": STATE.tables,
                        "blobs": [{"workspace_id": w, "sha256": s, "bytes": len(d)}
                                  for (w, s), d in STATE.blobs.items()],
                        "devices": STATE.devices,
                        "tokens": [{"token": t, **e} for t, e in STATE.tokens.items()]})
                if name == "requests":
                    return self.reply(200, STATE.requests)
                if name == "streams":
                    return self.reply(200, {"open": STATE.open_streams})
                if name == "held":
                    return self.reply(200, STATE.held)
                if name == "device-codes":
                    return self.reply(200, [{k: v for k, v in c.items()}
                                            for c in STATE.codes.values()])
                raise Refusal(404, "not_found", "No such control")
            body = self.body()
            if name == "reset":
                for fault in STATE.faults:
                    fault["released"] = True
                STATE.reset()
                STATE.lock.notify_all()
                return self.reply(200, {})
            if name == "requests/clear":
                STATE.requests = []
                return self.reply(200, {})
            if name == "account":
                if "user" in body:
                    user = dict(body["user"])
                    STATE.users[user["id"]] = user
                    STATE.user_id = user["id"]
                    STATE.person_seq[user["id"]] = STATE.seq + 1
                if "workspaces" in body:
                    STATE.workspaces = body["workspaces"]
                if "features" in body:
                    STATE.features = body["features"]
                return self.reply(200, {})
            if name == "leave-workspace":
                workspace = body.get("workspace_id")
                STATE.workspaces = [w for w in STATE.workspaces if w["id"] != workspace]
                STATE.dropped_workspaces.append(workspace)
                return self.reply(200, {})
            if name in ("approve", "deny", "expire-code"):
                code = STATE.newest_code(body)
                after = int(body.get("after", 0))
                if after > 0:
                    code["then"], code["after"] = name, after
                else:
                    settle(code, name)
                return self.reply(200, {"user_code": code["user_code"]})
            if name == "slow-down":
                code = STATE.newest_code(body)
                code["slow_down"] = int(body.get("count", 1))
                return self.reply(200, {"user_code": code["user_code"]})
            if name == "token":
                return self.reply(200, {"token": STATE.issue_token()})
            if name == "expire-token":
                for token, entry in STATE.tokens.items():
                    if body.get("token") in (None, token):
                        entry["expired"] = True
                STATE.lock.notify_all()
                return self.reply(200, {})
            if name == "write":
                table, row = body.get("table"), body.get("row")
                if table not in TABLES or not isinstance(row, dict) \
                        or not isinstance(row.get("id"), str):
                    raise Refusal(400, "invalid_request", "table and row with an id")
                stored = STATE.store(table, row["id"], row, body.get("device_id", "other"),
                                     row["id"] not in STATE.tables[table])
                return self.reply(200, stored)
            if name == "event":
                STATE.events.append({"n": len(STATE.events) + 1, "session": None})
                STATE.lock.notify_all()
                return self.reply(200, {})
            if name == "end-streams":
                STATE.stream_generation += 1
                STATE.lock.notify_all()
                return self.reply(200, {})
            if name == "clear-faults":
                for fault in STATE.faults:
                    fault["released"] = True
                STATE.faults = []
                STATE.lock.notify_all()
                return self.reply(200, {})
            if name == "release":
                for fault in STATE.faults:
                    if body.get("route") in (None, fault.get("route")):
                        fault["released"] = True
                STATE.lock.notify_all()
                return self.reply(200, {})
            if name == "fault":
                fault = dict(body)
                fault["count"] = int(fault.get("count", 1))
                STATE.faults.append(fault)
                return self.reply(200, {})
            if name == "reject":
                STATE.rejects[body["id"]] = {"reason": body.get("reason", "rejected"),
                                             "retry": body.get("retry", False),
                                             "count": int(body.get("count", -1))}
                return self.reply(200, {})
            if name == "resync":
                STATE.resync.append({"id": body["id"], "mode": body.get("mode", "full")})
                return self.reply(200, {})
            if name == "drop":
                STATE.dropped_captures += body.get("captures", [])
                STATE.dropped_workspaces += body.get("workspaces", [])
                return self.reply(200, {})
            if name == "config":
                unknown = set(body) - set(STATE.config)
                if unknown:
                    raise Refusal(400, "invalid_request", "unknown keys %s" % sorted(unknown))
                STATE.config.update(body)
                STATE.lock.notify_all()
                return self.reply(200, STATE.config)
            if name == "blob":
                data = base64.b64decode(body.get("base64", ""))
                sha = hashlib.sha256(data).hexdigest()
                STATE.blobs[(body.get("workspace_id", WORKSPACE_ID), sha)] = data
                return self.reply(200, {"sha256": sha})
            raise Refusal(404, "not_found", "No such control")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # A client that hangs up between requests is no fault of the service's.
        if isinstance(sys.exc_info()[1], (ConnectionResetError, BrokenPipeError)):
            return
        super().handle_error(request, client_address)


def main():
    parser = argparse.ArgumentParser(description="Loopback stand-in of the web service")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("port %d" % server.server_port, flush=True)
    # Standard input closes when the test that started the service ends, however it ends.
    try:
        while sys.stdin.buffer.read(4096):
            pass
    except (OSError, ValueError):
        pass
    os._exit(0)


if __name__ == "__main__":
    main()
