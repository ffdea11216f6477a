// Publishes samples to an MQTT broker through libmosquitto, for loggers
// that feed one broker: each message goes to PREFIX/ADDRESS with QoS 1.
// The library's own thread keeps the connection and reconnects when the
// broker goes away and comes back; messages published meanwhile wait in
// its queue, up to a bound, and go out when it is back. Nothing here ever
// holds up the recording.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>

struct mosquitto;

namespace Cli {

class MqttPublisher {
public:
    // Messages waiting for the broker's acknowledgement beyond which new
    // ones are not queued (about a few megabytes).
    static constexpr int MaxWaiting = 20'000;

    // `url`: mqtt://HOST[:PORT]/TOPIC-PREFIX (port 1883 by default). A bad
    // url is a usage failure; a broker that cannot be reached is not: it is
    // tried again and again.
    explicit MqttPublisher(const QString &url);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher &) = delete;
    MqttPublisher &operator=(const MqttPublisher &) = delete;

    void Publish(int address, const QByteArray &payload);
    // Waits up to `limitMs` for the messages still waiting to be taken.
    void Drain(int limitMs);
    // Samples not published because the queue was full.
    int Dropped() const { return DroppedCount; }
    const QString &Where() const { return Broker; }

private:
    static void Connected(struct mosquitto *, void *self, int code);
    static void Disconnected(struct mosquitto *, void *self, int code);
    static void Acknowledged(struct mosquitto *, void *self, int mid);
    // Tells of a change of the connection on the main thread.
    void Tell(const QString &text);
    // The first connection: the library's thread keeps a connection once it
    // has had one, but gives up on one it never had, so until then it is
    // tried here, again and again.
    void TryConnect();

    struct mosquitto *Client = nullptr;
    QObject Context;  // queued notes die with the publisher
    QString Broker;   // host:port
    QByteArray Host;
    int Port = 1883;
    QString Prefix;
    std::atomic<int> Waiting{0};
    std::atomic<bool> Up{false};
    int DroppedCount = 0;
    bool LoopRunning = false;
    QTimer Retry;
};

} // namespace Cli
